#pragma once
// Which file of the built-in site's folder answers a request's path.
#include <QString>

namespace services {

struct TSiteTarget {
    enum class Kind { None, File, Folder };
    Kind Is = Kind::None;
    // The file to send, or for a folder asked without its final slash the
    // path to send the browser to instead.
    QString Path;
};

// root: the site's folder. path: the request's path, percent-decoded. A
// path ending in "/" means that folder's index.html. Nothing outside the
// folder is ever answered: no "." or ".." segment, no hidden name, no
// backslash or NUL, no link that leads out.
TSiteTarget SiteTarget(const QString& root, const QString& path);

} // namespace services
