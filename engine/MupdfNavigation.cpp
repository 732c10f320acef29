#include "engine/MupdfNavigation.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

// Annotations looked at per page, links or not: a page with more is no slide.
constexpr int maximumAnnotations = 10 * PageNavigation::maximumLinks;

// What one link annotation says, as plain data: MuPDF's errors jump past C++ destructors.
struct RawLink {
    fz_rect rect;
    PageLink::Kind kind;
    int page;
    PageLink::Action action;
    char text[PageNavigation::maximumText + 1];
};

struct RawTiming {
    bool hasTransition;
    PageTransition transition;
    double displaySeconds;
};

bool isName(fz_context* context, pdf_obj* object, const char* name) {
    return pdf_is_name(context, object) && std::strcmp(pdf_to_name(context, object), name) == 0;
}

void copyText(char* target, const char* source, size_t length) {
    const size_t kept = std::min(length, size_t(PageNavigation::maximumText));
    if (source)
        std::memcpy(target, source, kept);
    target[source ? kept : 0] = 0;
}

void copyText(char* target, const char* source) {
    copyText(target, source, source ? std::strlen(source) : 0);
}

// The page of an explicit destination, [page /XYZ …], with the page as a reference or, as some
// writers give it, as a number; -1 for none in this document.
int explicitPage(fz_context* context, pdf_document* document, pdf_obj* destination) {
    if (pdf_is_dict(context, destination))
        destination = pdf_dict_get(context, destination, PDF_NAME(D));
    if (!pdf_is_array(context, destination))
        return -1;
    pdf_obj* const target = pdf_array_get(context, destination, 0);
    int page = -1;
    if (pdf_is_int(context, target))
        page = pdf_to_int(context, target);
    else if (pdf_is_dict(context, target))
        page = pdf_lookup_page_number(context, document, target);
    return page >= 0 && page < pdf_count_pages(context, document) ? page : -1;
}

void toDestination(fz_context* context, pdf_document* document, pdf_obj* destination,
                   RawLink* link) {
    if (pdf_is_name(context, destination) || pdf_is_string(context, destination)) {
        copyText(link->text, pdf_is_name(context, destination)
                                 ? pdf_to_name(context, destination)
                                 : pdf_to_text_string(context, destination));
        link->page =
            explicitPage(context, document, pdf_lookup_dest(context, document, destination));
        link->kind = link->page >= 0 ? PageLink::Kind::destination : PageLink::Kind::missing;
        return;
    }
    link->page = explicitPage(context, document, destination);
    link->kind = link->page >= 0 ? PageLink::Kind::page : PageLink::Kind::missing;
}

// The file a launch action names, for the speaker to read: a string, or a file entry (/F dictionary).
const char* launchedFile(fz_context* context, pdf_obj* action) {
    pdf_obj* file = pdf_dict_get(context, action, PDF_NAME(F));
    if (pdf_is_dict(context, file)) {
        pdf_obj* const unicode = pdf_dict_get(context, file, PDF_NAME(UF));
        file = pdf_is_string(context, unicode) ? unicode : pdf_dict_get(context, file, PDF_NAME(F));
    }
    return pdf_is_string(context, file) ? pdf_to_text_string(context, file) : "";
}

void describeAction(fz_context* context, pdf_document* document, pdf_obj* action, RawLink* link) {
    pdf_obj* const type = pdf_dict_get(context, action, PDF_NAME(S));
    if (isName(context, type, "GoTo")) {
        toDestination(context, document, pdf_dict_get(context, action, PDF_NAME(D)), link);
    } else if (isName(context, type, "URI")) {
        pdf_obj* const address = pdf_dict_get(context, action, PDF_NAME(URI));
        link->kind = PageLink::Kind::uri;
        copyText(link->text, pdf_to_str_buf(context, address), pdf_to_str_len(context, address));
    } else if (isName(context, type, "Named")) {
        static constexpr std::pair<const char*, PageLink::Action> actions[] = {
            {"NextPage", PageLink::Action::next},   {"PrevPage", PageLink::Action::previous},
            {"FirstPage", PageLink::Action::first}, {"LastPage", PageLink::Action::last},
            {"GoBack", PageLink::Action::back},     {"GoForward", PageLink::Action::forward}};
        pdf_obj* const which = pdf_dict_get(context, action, PDF_NAME(N));
        link->kind = PageLink::Kind::unsupported;
        copyText(link->text, pdf_is_name(context, which) ? pdf_to_name(context, which) : "");
        for (const auto& [name, known] : actions) {
            if (isName(context, which, name)) {
                link->kind = PageLink::Kind::action;
                link->action = known;
            }
        }
    } else if (isName(context, type, "Launch")) {
        link->kind = PageLink::Kind::launch;
        copyText(link->text, launchedFile(context, action));
    } else if (isName(context, type, "JavaScript")) {
        link->kind = PageLink::Kind::javascript;
    } else if (isName(context, type, "GoToR") || isName(context, type, "GoToE")) {
        link->kind = PageLink::Kind::otherDocument;
    } else {
        link->kind = PageLink::Kind::unsupported;
        copyText(link->text, pdf_is_name(context, type) ? pdf_to_name(context, type) : "");
    }
}

// False for an annotation that is no link, leads nowhere, or cannot be read.
bool readLink(fz_context* context, pdf_document* document, pdf_obj* annotation, RawLink* link) {
    bool found = false;
    fz_var(found);
    fz_try(context) {
        if (isName(context, pdf_dict_get(context, annotation, PDF_NAME(Subtype)), "Link")) {
            link->rect = pdf_to_rect(context, pdf_dict_get(context, annotation, PDF_NAME(Rect)));
            pdf_obj* const action = pdf_dict_get(context, annotation, PDF_NAME(A));
            pdf_obj* const destination = pdf_dict_get(context, annotation, PDF_NAME(Dest));
            if (pdf_is_dict(context, action)) {
                describeAction(context, document, action, link);
                found = true;
            } else if (destination) {
                toDestination(context, document, destination, link);
                found = true;
            }
        }
    }
    fz_catch(context) {
        found = false;
    }
    return found;
}

PageTransition::Style styleNamed(fz_context* context, pdf_obj* name) {
    using Style = PageTransition::Style;
    static constexpr std::pair<const char*, Style> styles[] = {
        {"Split", Style::split},     {"Blinds", Style::blinds},     {"Box", Style::box},
        {"Wipe", Style::wipe},       {"Dissolve", Style::dissolve}, {"Glitter", Style::glitter},
        {"Fly", Style::fly},         {"Push", Style::push},         {"Cover", Style::cover},
        {"Uncover", Style::uncover}, {"Fade", Style::fade}};
    for (const auto& [text, style] : styles) {
        if (isName(context, name, text))
            return style;
    }
    return Style::replace;
}

void readTiming(fz_context* context, pdf_obj* page, RawTiming* timing) {
    pdf_obj* const transition = pdf_dict_get(context, page, PDF_NAME(Trans));
    if (pdf_is_dict(context, transition)) {
        PageTransition& read = timing->transition;
        timing->hasTransition = true;
        read.style = styleNamed(context, pdf_dict_get(context, transition, PDF_NAME(S)));
        pdf_obj* const seconds = pdf_dict_get(context, transition, PDF_NAME(D));
        read.seconds = pdf_is_number(context, seconds) ? pdf_to_real(context, seconds) : 1;
        read.vertical = isName(context, pdf_dict_get(context, transition, PDF_NAME(Dm)), "V");
        read.outward = isName(context, pdf_dict_get(context, transition, PDF_NAME(M)), "O");
        pdf_obj* const direction = pdf_dict_get(context, transition, PDF_NAME(Di));
        read.direction = isName(context, direction, "None") ? PageTransition::noDirection
                         : pdf_is_number(context, direction)
                             ? int(std::lround(pdf_to_real(context, direction)))
                             : 0;
        pdf_obj* const scale = pdf_dict_gets(context, transition, "SS");
        read.flyScale = pdf_is_number(context, scale) ? pdf_to_real(context, scale) : 1;
    }
    pdf_obj* const display = pdf_dict_get(context, page, PDF_NAME(Dur));
    timing->displaySeconds = pdf_is_number(context, display) ? pdf_to_real(context, display) : 0;
}

} // namespace

namespace MupdfNavigation {

PageNavigation read(fz_context* context, pdf_document* document, int number) {
    pdf_obj* annotations = nullptr;
    fz_rect bounds = fz_empty_rect;
    fz_matrix transform = fz_identity;
    int count = 0;
    RawTiming timing{};
    bool readable = false;
    fz_var(annotations);
    fz_var(bounds);
    fz_var(transform);
    fz_var(count);
    fz_var(readable);
    fz_try(context) {
        pdf_obj* const page = pdf_lookup_page_obj(context, document, number);
        fz_rect box;
        pdf_page_obj_transform(context, page, &box, &transform);
        bounds = fz_transform_rect(box, transform);
        annotations = pdf_dict_get(context, page, PDF_NAME(Annots));
        count = std::min(pdf_array_len(context, annotations), maximumAnnotations);
        readTiming(context, page, &timing);
        readable = true;
    }
    fz_catch(context) {
        readable = false;
    }
    PageNavigation navigation;
    const double width = bounds.x1 - bounds.x0;
    const double height = bounds.y1 - bounds.y0;
    if (!readable || !(width > 0) || !(height > 0))
        return navigation;
    for (int i = 0; i < count && navigation.links.size() < PageNavigation::maximumLinks; ++i) {
        RawLink raw{};
        raw.page = -1;
        if (!readLink(context, document, pdf_array_get(context, annotations, i), &raw))
            continue;
        const fz_rect shown = fz_transform_rect(raw.rect, transform);
        const QRectF area =
            QRectF(QPointF((shown.x0 - bounds.x0) / width, (shown.y0 - bounds.y0) / height),
                   QPointF((shown.x1 - bounds.x0) / width, (shown.y1 - bounds.y0) / height))
                .normalized() &
            QRectF(0, 0, 1, 1);
        if (area.isEmpty())
            continue;
        navigation.links.append(
            {area, raw.kind, raw.page, raw.action, QString::fromUtf8(raw.text)});
    }
    if (timing.hasTransition)
        navigation.transition = timing.transition;
    if (timing.displaySeconds > 0 && std::isfinite(timing.displaySeconds))
        navigation.displaySeconds = timing.displaySeconds;
    // The same bounds as any other reader of these facts.
    return PageNavigation::fromBytes(navigation.toBytes());
}

} // namespace MupdfNavigation
