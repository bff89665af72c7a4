#include "search_request.h"

namespace client {

namespace {

// The server never reads the boundary; only its length (23) fixes the offsets.
const QByteArray boundary = "Kestraline-Client-Parts";

} // namespace

QUrl search_url(const ConnectionSettings& settings)
{
    return QUrl("http://" + settings.Host + ":" + settings.Port + "/post", QUrl::StrictMode);
}

QByteArray search_request_body(const QByteArray& query)
{
    QByteArray body;
    body.reserve(kSearchPartHeadSize + query.size() + kSearchClosingBoundarySize);
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"file\"; filename=\"KestralineClient.tmp\"\r\n";
    body += "Content-Type: application/octet-stream\r\n";
    body += "Content-Transfer-Encoding: binary\r\n";
    body += "\r\n";
    body += query;
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

QByteArray search_request_content_type()
{
    return "multipart/form-data; boundary=" + boundary;
}

SearchRequest make_search_request(const ConnectionSettings& settings, const QByteArray& query)
{
    return {search_url(settings), settings.User, settings.Password, search_request_content_type(),
            search_request_body(query)};
}

} // namespace client
