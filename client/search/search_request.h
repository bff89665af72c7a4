#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

#include "connection_settings.h"

namespace client {

// The one search request: POST of the request file as multipart form data. The
// server cuts the query out at fixed sizes without parsing the framing, so the
// body is fixed byte for byte: a 182-byte part head (23-character boundary, field
// "file", file name "KestralineClient.tmp", content type
// "application/octet-stream", binary transfer encoding), the query, and a 31-byte
// closing boundary.
struct SearchRequest {
    QUrl url;
    QString user;
    QString password;
    QByteArray contentType;
    QByteArray body;
};

inline constexpr int kSearchPartHeadSize = 182;
inline constexpr int kSearchTailSize = 31;

// "http://" + Host + ":" + Port + "/post", run together as typed.
QUrl search_url(const ConnectionSettings& settings);

QByteArray search_request_body(const QByteArray& query);
QByteArray search_request_content_type();

SearchRequest make_search_request(const ConnectionSettings& settings, const QByteArray& query);

} // namespace client
