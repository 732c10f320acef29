#include "engine/MupdfMetadata.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

namespace MupdfMetadata {

QByteArray read(fz_context* context, pdf_document* document, qsizetype maximumBytes) {
    QByteArray packet;
    fz_stream* stream = nullptr;
    unsigned char chunk[64 * 1024];
    bool failed = false;
    fz_var(packet);
    fz_var(stream);
    fz_var(failed);
    fz_try(context) {
        pdf_obj* const metadata =
            pdf_dict_getp(context, pdf_trailer(context, document), "Root/Metadata");
        if (pdf_is_stream(context, metadata)) {
            stream = pdf_open_stream(context, metadata);
            // One byte beyond the bound tells a packet that is too long.
            while (packet.size() <= maximumBytes) {
                const size_t read = fz_read(context, stream, chunk, sizeof chunk);
                if (read == 0)
                    break;
                packet.append(reinterpret_cast<const char*>(chunk), qsizetype(read));
            }
        }
    }
    fz_always(context) {
        fz_drop_stream(context, stream);
    }
    fz_catch(context) {
        failed = true;
    }
    if (failed || packet.size() > maximumBytes)
        return {};
    return packet;
}

} // namespace MupdfMetadata
