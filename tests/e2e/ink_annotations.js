// Prints the ink annotations of a PDF as JSON, read by MuPDF: mutool run ink_annotations.js FILE.pdf
var doc = new PDFDocument(scriptArgs[0]);
var out = [];
var n = doc.countPages();
for (var i = 0; i < n; ++i) {
    var page = doc.loadPage(i);
    var b = page.bound();
    var annots = page.getAnnotations();
    for (var k = 0; k < annots.length; ++k) {
        if (annots[k].getType() != "Ink") continue;
        out.push({page: i, bounds: b, ink: annots[k].getInkList(), colour: annots[k].getColor(), opacity: annots[k].getOpacity()});
    }
}
print(JSON.stringify(out));
