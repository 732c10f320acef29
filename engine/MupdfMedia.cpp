#include "engine/MupdfMedia.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// More annotations than this on one page are no one's slide; the rest are not looked at.
constexpr int maximumAnnotations = 4096;
// Page-open actions chained with /Next: how many a /Next array lists that are looked at.
constexpr int maximumChain = 16;
// Larger values are no clip's time; such an entry plays from the start.
constexpr double maximumSeconds = 1e7;

// How a sound annotation's samples are stored.
struct SoundFormat {
    int rate = 0;
    int channels = 1;
    int bits = 8;
    QByteArray encoding = "Raw";
};

struct Found {
    MediaLink link;
    // The embedded stream (file or samples); null for a target outside the file.
    pdf_obj* stream = nullptr;
    std::optional<SoundFormat> sound;
    // The annotation's object number and its movie title, for page-open actions naming it.
    int object = 0;
    QString title;
};

bool isName(fz_context* context, pdf_obj* object, const char* name) {
    return pdf_is_name(context, object) && std::strcmp(pdf_to_name(context, object), name) == 0;
}

QString text(fz_context* context, pdf_obj* object) {
    if (!pdf_is_string(context, object))
        return {};
    QString value = QString::fromUtf8(pdf_to_text_string(context, object));
    value.truncate(MediaLink::maximumTargetChars + 1);
    return value;
}

// A PDF time: seconds as a number, [units per-second] as an array, or a big-endian count of
// seconds as an eight-byte string; nullopt for anything else.
std::optional<double> seconds(fz_context* context, pdf_obj* object) {
    double value = NAN;
    if (pdf_is_number(context, object)) {
        value = pdf_to_real(context, object);
    } else if (pdf_is_array(context, object) && pdf_array_len(context, object) == 2) {
        const double scale = pdf_to_real(context, pdf_array_get(context, object, 1));
        if (scale > 0)
            value = pdf_to_real(context, pdf_array_get(context, object, 0)) / scale;
    } else if (pdf_is_string(context, object) && pdf_to_str_len(context, object) == 8) {
        value = double(qFromBigEndian<qint64>(pdf_to_str_buf(context, object)));
    }
    if (!std::isfinite(value) || value < 0 || value > maximumSeconds)
        return std::nullopt;
    return value;
}

qint64 milliseconds(double seconds) {
    return qint64(std::llround(seconds * 1000));
}

// A file entry (/FS): its embedded stream, else its name or address.
void readFile(fz_context* context, pdf_obj* entry, Found& found) {
    if (pdf_is_stream(context, entry)) {
        found.stream = entry;
        found.link.embedded = true;
        return;
    }
    if (pdf_is_string(context, entry)) {
        found.link.target = text(context, entry);
        return;
    }
    if (!pdf_is_dict(context, entry))
        return;
    if (pdf_obj* files = pdf_dict_gets(context, entry, "EF")) {
        for (const char* key : {"UF", "F", "Unix", "DOS", "Mac"}) {
            pdf_obj* stream = pdf_dict_gets(context, files, key);
            if (pdf_is_stream(context, stream)) {
                found.stream = stream;
                found.link.embedded = true;
                return;
            }
        }
    }
    for (const char* key : {"UF", "F", "Unix", "DOS", "Mac"}) {
        const QString name = text(context, pdf_dict_gets(context, entry, key));
        if (!name.isEmpty()) {
            found.link.target = name;
            return;
        }
    }
}

// A media clip: data, or a section of one with its start and end.
void readClip(fz_context* context, pdf_obj* clip, Found& found, int depth = 0) {
    if (!pdf_is_dict(context, clip) || depth > 4)
        return;
    if (isName(context, pdf_dict_gets(context, clip, "S"), "MCS")) {
        for (const auto& [key, begin] : {std::pair{"B", true}, std::pair{"E", false}}) {
            pdf_obj* offset = pdf_dict_gets(context, pdf_dict_gets(context, clip, "MH"), key);
            if (!offset)
                offset = pdf_dict_gets(context, pdf_dict_gets(context, clip, "BE"), key);
            pdf_obj* span = pdf_dict_gets(context, offset, "T");
            if (const std::optional<double> at =
                    seconds(context, pdf_dict_gets(context, span, "V")))
                (begin ? found.link.startMs : found.link.stopMs) = milliseconds(*at);
        }
        readClip(context, pdf_dict_gets(context, clip, "D"), found, depth + 1);
        return;
    }
    found.link.mimeType = text(context, pdf_dict_gets(context, clip, "CT")).left(256);
    readFile(context, pdf_dict_gets(context, clip, "D"), found);
}

// A media rendition (the first of a selector's that names a clip) with its play parameters.
bool readRendition(fz_context* context, pdf_obj* rendition, Found& found, int depth = 0) {
    if (!pdf_is_dict(context, rendition) || depth > 4)
        return false;
    if (isName(context, pdf_dict_gets(context, rendition, "S"), "SR")) {
        pdf_obj* choices = pdf_dict_gets(context, rendition, "R");
        const int count = std::min(pdf_array_len(context, choices), MediaLink::maximumPerPage);
        for (int i = 0; i < count; ++i) {
            if (readRendition(context, pdf_array_get(context, choices, i), found, depth + 1))
                return true;
        }
        return false;
    }
    readClip(context, pdf_dict_gets(context, rendition, "C"), found);
    pdf_obj* parameters = pdf_dict_gets(context, rendition, "P");
    for (const char* honour : {"BE", "MH"}) {
        pdf_obj* wanted = pdf_dict_gets(context, parameters, honour);
        if (pdf_obj* count = pdf_dict_gets(context, wanted, "RC"); pdf_is_number(context, count)) {
            const double times = pdf_to_real(context, count);
            found.link.repeat = times <= 0 || times > 1000 ? 0 : std::max(1, int(std::ceil(times)));
        }
        pdf_obj* duration = pdf_dict_gets(context, wanted, "D");
        if (const std::optional<double> length = seconds(
                context, pdf_dict_gets(context, pdf_dict_gets(context, duration, "T"), "V")))
            found.link.stopMs = found.link.startMs + milliseconds(*length);
    }
    return found.link.embedded || !found.link.target.isEmpty();
}

// A rendition action that plays: 0 plays from the start, 4 resumes a paused one, 3 resumes.
bool readRenditionAction(fz_context* context, pdf_obj* action, Found& found) {
    if (!isName(context, pdf_dict_gets(context, action, "S"), "Rendition"))
        return false;
    pdf_obj* operation = pdf_dict_gets(context, action, "OP");
    const int op = pdf_is_int(context, operation) ? pdf_to_int(context, operation) : 0;
    if (op != 0 && op != 3 && op != 4)
        return false;
    found.link.resume = op != 0;
    return readRendition(context, pdf_dict_gets(context, action, "R"), found);
}

void readActivation(fz_context* context, pdf_obj* activation, Found& found) {
    if (!pdf_is_dict(context, activation))
        return;
    if (const std::optional<double> start =
            seconds(context, pdf_dict_gets(context, activation, "Start")))
        found.link.startMs = milliseconds(*start);
    if (const std::optional<double> length =
            seconds(context, pdf_dict_gets(context, activation, "Duration")))
        found.link.stopMs = found.link.startMs + milliseconds(*length);
    pdf_obj* mode = pdf_dict_gets(context, activation, "Mode");
    if (isName(context, mode, "Repeat")) {
        found.link.repeat = 0;
    } else if (isName(context, mode, "Palindrome")) {
        found.link.repeat = 0;
        found.link.palindrome = true;
    }
}

// Where an annotation lies on the page as displayed, in 0..1 of its size.
QRectF placement(fz_context* context, pdf_obj* annotation, fz_rect page, fz_matrix transform) {
    const fz_rect shown = fz_transform_rect(
        pdf_to_rect(context, pdf_dict_gets(context, annotation, "Rect")), transform);
    const double width = page.x1 - page.x0;
    const double height = page.y1 - page.y0;
    if (!(width > 0) || !(height > 0))
        return {};
    return QRectF((shown.x0 - page.x0) / width, (shown.y0 - page.y0) / height,
                  (shown.x1 - shown.x0) / width, (shown.y1 - shown.y0) / height)
        .intersected(QRectF(0, 0, 1, 1));
}

std::optional<Found> readAnnotation(fz_context* context, pdf_obj* annotation) {
    pdf_obj* subtype = pdf_dict_gets(context, annotation, "Subtype");
    Found found;
    found.object = pdf_to_num(context, annotation);
    if (isName(context, subtype, "Movie")) {
        found.link.kind = MediaLink::Kind::movie;
        found.title = text(context, pdf_dict_gets(context, annotation, "T"));
        readFile(context, pdf_dict_gets(context, pdf_dict_gets(context, annotation, "Movie"), "F"),
                 found);
        readActivation(context, pdf_dict_gets(context, annotation, "A"), found);
    } else if (isName(context, subtype, "Screen")) {
        found.link.kind = MediaLink::Kind::screen;
        pdf_obj* additional = pdf_dict_gets(context, annotation, "AA");
        Found opened = found;
        const bool opens =
            readRenditionAction(context, pdf_dict_gets(context, additional, "PO"), opened) ||
            readRenditionAction(context, pdf_dict_gets(context, additional, "PV"), opened);
        if (!readRenditionAction(context, pdf_dict_gets(context, annotation, "A"), found)) {
            if (!opens)
                return std::nullopt;
            found = opened;
        }
        found.link.autostart = opens;
    } else if (isName(context, subtype, "Sound")) {
        found.link.kind = MediaLink::Kind::sound;
        pdf_obj* sound = pdf_dict_gets(context, annotation, "Sound");
        if (!pdf_is_stream(context, sound))
            return std::nullopt;
        pdf_obj* external = pdf_dict_gets(context, sound, "F");
        if (external) {
            readFile(context, external, found);
        } else {
            SoundFormat format;
            format.rate = int(pdf_to_real(context, pdf_dict_gets(context, sound, "R")));
            if (pdf_obj* channels = pdf_dict_gets(context, sound, "C"))
                format.channels = pdf_to_int(context, channels);
            if (pdf_obj* bits = pdf_dict_gets(context, sound, "B"))
                format.bits = pdf_to_int(context, bits);
            if (pdf_obj* encoding = pdf_dict_gets(context, sound, "E");
                pdf_is_name(context, encoding))
                format.encoding = pdf_to_name(context, encoding);
            if (format.rate < 1 || format.rate > 384000 || format.channels < 1 ||
                format.channels > 8 || (format.bits != 8 && format.bits != 16))
                return std::nullopt;
            found.stream = sound;
            found.sound = format;
            found.link.embedded = true;
            found.link.mimeType = QStringLiteral("audio/wav");
        }
    } else if (isName(context, subtype, "Link")) {
        found.link.kind = MediaLink::Kind::link;
        pdf_obj* action = pdf_dict_gets(context, annotation, "A");
        pdf_obj* type = pdf_dict_gets(context, action, "S");
        if (isName(context, type, "URI")) {
            found.link.target = text(context, pdf_dict_gets(context, action, "URI"));
        } else if (isName(context, type, "Launch")) {
            pdf_obj* file = pdf_dict_gets(context, action, "F");
            if (!file)
                file = pdf_dict_gets(context, pdf_dict_gets(context, action, "Unix"), "F");
            if (pdf_is_string(context, file))
                found.link.target = text(context, file);
            else if (pdf_is_dict(context, file))
                for (const char* key : {"UF", "F"})
                    if (found.link.target.isEmpty())
                        found.link.target = text(context, pdf_dict_gets(context, file, key));
        }
        // A link's target is only ever a name; embedded bytes come with the other kinds.
        if (found.link.target.isEmpty())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!found.link.embedded && found.link.target.isEmpty())
        return std::nullopt;
    return found;
}

// The page-open actions (beamer's autostart, renditions opened with the page) mark what they
// start. `budget` bounds the actions looked at, however the chain branches or loops.
void readPageOpen(fz_context* context, pdf_obj* action, std::vector<Found>& found, int& budget) {
    if (--budget < 0 || !pdf_is_dict(context, action))
        return;
    pdf_obj* type = pdf_dict_gets(context, action, "S");
    if (isName(context, type, "Movie")) {
        pdf_obj* operation = pdf_dict_gets(context, action, "Operation");
        const bool plays = !operation || isName(context, operation, "Play") ||
                           isName(context, operation, "Resume");
        const QString title = text(context, pdf_dict_gets(context, action, "T"));
        const int object = pdf_to_num(context, pdf_dict_gets(context, action, "Annotation"));
        for (Found& item : found) {
            if (plays && item.link.kind == MediaLink::Kind::movie &&
                ((object > 0 && item.object == object) ||
                 (!title.isEmpty() && item.title == title)))
                item.link.autostart = true;
        }
    } else if (isName(context, type, "Rendition")) {
        const int object = pdf_to_num(context, pdf_dict_gets(context, action, "AN"));
        Found probe;
        if (object > 0 && readRenditionAction(context, action, probe)) {
            for (Found& item : found) {
                if (item.link.kind == MediaLink::Kind::screen && item.object == object)
                    item.link.autostart = true;
            }
        }
    }
    pdf_obj* next = pdf_dict_gets(context, action, "Next");
    if (pdf_is_array(context, next)) {
        const int count = std::min(pdf_array_len(context, next), maximumChain);
        for (int i = 0; i < count; ++i)
            readPageOpen(context, pdf_array_get(context, next, i), found, budget);
    } else {
        readPageOpen(context, next, found, budget);
    }
}

// One broken annotation costs only itself. A function of its own, so that no local of a caller's
// loop lives across the jump.
std::optional<Found> tryReadAnnotation(fz_context* context, pdf_obj* annotation) {
    std::optional<Found> item;
    fz_try(context) {
        item = readAnnotation(context, annotation);
    }
    fz_catch(context) {
        return std::nullopt;
    }
    return item;
}

std::vector<Found> readPage(fz_context* context, pdf_document* document, int number) {
    std::vector<Found> found;
    pdf_obj* const page = pdf_lookup_page_obj(context, document, number);
    if (!page)
        return found;
    fz_rect box;
    fz_matrix transform;
    pdf_page_obj_transform(context, page, &box, &transform);
    const fz_rect bounds = fz_transform_rect(box, transform);
    pdf_obj* annotations = pdf_dict_gets(context, page, "Annots");
    const int count = std::min(pdf_array_len(context, annotations), maximumAnnotations);
    for (int i = 0; i < count && int(found.size()) < MediaLink::maximumPerPage; ++i) {
        pdf_obj* annotation = pdf_array_get(context, annotations, i);
        if (!pdf_is_dict(context, annotation))
            continue;
        std::optional<Found> item = tryReadAnnotation(context, annotation);
        if (!item)
            continue;
        item->link.rect = placement(context, annotation, bounds, transform);
        item->link.entry = int(found.size());
        if (item->link.valid())
            found.push_back(*item);
    }
    int budget = maximumChain * 4;
    readPageOpen(context, pdf_dict_gets(context, pdf_dict_gets(context, page, "AA"), "O"), found,
                 budget);
    return found;
}

bool writeAll(int fd, const void* data, size_t bytes) {
    const auto* from = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = write(fd, from, bytes);
        if (written <= 0)
            return false;
        from += written;
        bytes -= size_t(written);
    }
    return true;
}

// A WAV header for `dataBytes` of samples in `format` as they are written out.
QByteArray wavHeader(const SoundFormat& format, quint32 dataBytes) {
    const bool companded = format.encoding == "muLaw" || format.encoding == "ALaw";
    const int bits = companded ? 8 : format.bits;
    const quint16 tag = format.encoding == "muLaw" ? 7 : format.encoding == "ALaw" ? 6 : 1;
    const quint16 block = quint16(format.channels * bits / 8);
    QByteArray header;
    const auto add16 = [&header](quint16 value) {
        header.append(char(value & 0xff)).append(char(value >> 8));
    };
    const auto add32 = [&](quint32 value) {
        add16(quint16(value & 0xffff));
        add16(quint16(value >> 16));
    };
    header.append("RIFF");
    add32(36 + dataBytes);
    header.append("WAVEfmt ");
    add32(16);
    add16(tag);
    add16(quint16(format.channels));
    add32(quint32(format.rate));
    add32(quint32(format.rate) * block);
    add16(block);
    add16(quint16(bits));
    header.append("data");
    add32(dataBytes);
    return header;
}

// PDF samples are big-endian and, as "Raw", unsigned; WAV's are little-endian, signed above 8 bits
// and unsigned at 8.
void convertSamples(const SoundFormat& format, unsigned char* data, size_t bytes) {
    const bool raw = format.encoding == "Raw";
    const bool signedSamples = format.encoding == "Signed";
    if (format.bits == 16) {
        for (size_t i = 0; i + 1 < bytes; i += 2) {
            const unsigned char high = raw ? data[i] ^ 0x80 : data[i];
            data[i] = data[i + 1];
            data[i + 1] = high;
        }
    } else if (signedSamples) {
        for (size_t i = 0; i < bytes; ++i)
            data[i] ^= 0x80;
    }
}

} // namespace

namespace MupdfMedia {

QList<MediaLink> read(fz_context* context, pdf_document* document, int page) {
    QList<MediaLink> links;
    fz_try(context) {
        for (const Found& item : readPage(context, document, page))
            links.append(item.link);
    }
    fz_catch(context) {
        links.clear();
    }
    return links;
}

int extract(fz_context* context, pdf_document* document, int page, int index, qint64 maximumBytes) {
    const int fd = memfd_create("orvl-media", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    fz_stream* stream = nullptr;
    bool complete = false;
    fz_var(stream);
    fz_var(complete);
    fz_try(context) {
        const std::vector<Found> found = readPage(context, document, page);
        if (index >= 0 && index < int(found.size()) && found[size_t(index)].stream) {
            const Found& item = found[size_t(index)];
            const std::optional<SoundFormat>& sound = item.sound;
            // The header's sizes are written once the samples are counted.
            const QByteArray header = sound ? wavHeader(*sound, 0) : QByteArray();
            bool written = writeAll(fd, header.constData(), size_t(header.size()));
            stream = pdf_open_stream(context, item.stream);
            std::vector<unsigned char> chunk(256 * 1024);
            qint64 total = 0;
            // 16-bit samples are turned whole; an odd byte waits for its pair.
            size_t carried = 0;
            while (written) {
                const size_t read =
                    fz_read(context, stream, chunk.data() + carried, chunk.size() - carried);
                if (read == 0)
                    break;
                total += qint64(read);
                if (total > maximumBytes) {
                    written = false;
                    break;
                }
                size_t usable = carried + read;
                carried = 0;
                if (sound && sound->bits == 16 && usable % 2 == 1) {
                    carried = 1;
                    --usable;
                }
                if (sound)
                    convertSamples(*sound, chunk.data(), usable);
                written = writeAll(fd, chunk.data(), usable);
                if (carried)
                    chunk[0] = chunk[usable];
            }
            if (written && sound) {
                const quint32 data = quint32(total - qint64(carried));
                const QByteArray sized = wavHeader(*sound, data);
                written = lseek(fd, 0, SEEK_SET) == 0 &&
                          writeAll(fd, sized.constData(), size_t(sized.size()));
            }
            complete = written && total > 0;
        }
    }
    fz_always(context) {
        fz_drop_stream(context, stream);
    }
    fz_catch(context) {
        complete = false;
    }
    if (!complete) {
        close(fd);
        return -1;
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

} // namespace MupdfMedia
