// Where a page's clip comes from and whether it may play: pdfpc's link convention read into
// options, files only from the deck's own folder and below, never an address on the network.
#pragma once

#include "engine/MediaLink.h"

#include <QString>

#include <optional>

namespace MediaSource {

// A link annotation's target as pdfpc reads it ("file:" or "run:" and a path with options:
// "clip.mp4?autostart&loop&start=5&stop=10"): the path in `target`, the options applied. nullopt
// for a link to anything that is no clip (a web page, a PDF, a slide of this deck).
std::optional<MediaLink> fromLink(const MediaLink& link);

// Whether the name ends in a media file's extension (".mp4", ".webm", ".mp3", …).
bool looksLikeMedia(const QString& path);

struct Resolved {
    enum class Status { embedded, file, remote, outside, missing, notFile };
    Status status = Status::missing;
    // The file to play, for Status::file.
    QString path;
};
// What `link` plays for a deck in `deckFolder`: the embedded bytes, or a regular file within
// the folder (symbolic links followed first). Addresses with a scheme other than file: are never
// fetched; nothing outside the folder is read.
Resolved resolve(const MediaLink& link, const QString& deckFolder);

// The reason a clip does not play, for the status line.
QString refusal(Resolved::Status status);

} // namespace MediaSource
