#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

#include "connection_settings.h"
#include "search_request_framing.h"

namespace client {

// The one search request: POST of the request file as multipart form data. The
// server cuts the query out at fixed sizes without parsing the framing, so the
// body is fixed byte for byte: a part head of kSearchPartHeadSize bytes
// (23-character boundary, field "file", file name "KestralineClient.tmp", content
// type "application/octet-stream", binary transfer encoding), the query, and a
// closing boundary of kSearchClosingBoundarySize bytes.
struct SearchRequest {
    QUrl url;
    QString user;
    QString password;
    QByteArray contentType;
    QByteArray body;
};

// "http://" + Host + ":" + Port + "/post", run together as typed.
QUrl search_url(const ConnectionSettings& settings);

QByteArray search_request_body(const QByteArray& query);
QByteArray search_request_content_type();

SearchRequest make_search_request(const ConnectionSettings& settings, const QByteArray& query);

} // namespace client
