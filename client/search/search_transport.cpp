#include "search_transport.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>

namespace client {

namespace {

const QByteArray userAgent = "Mozilla/3.0 (compatible; Indy Library)";
const QByteArray acceptHeader = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";

QByteArray basicCredentials(const QString& user, const QString& password)
{
    return "Basic " + (user + ":" + password).toUtf8().toBase64();
}

// The charset parameter of a Content-Type value, or an empty text.
QByteArray declaredCharset(const QByteArray& contentType)
{
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray p = parameter.trimmed();
        if (p.toLower().startsWith("charset="))
            return p.mid(8).trimmed().replace("\"", "");
    }
    return {};
}

// The answer's body in the character set the answer declares; UTF-8 when it
// declares none or one Qt does not know.
QString decodedBody(const QByteArray& body, const QByteArray& contentType)
{
    const QByteArray charset = declaredCharset(contentType);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return QString::fromUtf8(body);
}

} // namespace

HttpSearchTransport::HttpSearchTransport() : network(new QNetworkAccessManager)
{
    network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    network->setTransferTimeout(0);
}

HttpSearchTransport::~HttpSearchTransport()
{
    delete network;
}

SearchExchange HttpSearchTransport::post(const SearchRequest& search)
{
    SearchExchange exchange;
    if (!search.url.isValid() || search.url.host().isEmpty())
        return exchange;  // e.g. "http://:/post" without settings: nothing to reach
    QNetworkRequest request(search.url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, search.contentType);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setRawHeader("Accept", acceptHeader);
    request.setRawHeader("Authorization", basicCredentials(search.user, search.password));

    QNetworkReply* reply = network->post(request, search.body);
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    if (!reply->isFinished())
        wait.exec();
    // The application's quit ends every event loop, this wait included: an
    // exchange cut short is a failure, never an empty answer.
    if (!reply->isFinished())
        reply->abort();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 401) {
        exchange.outcome = SearchExchange::Refused;
    } else if (reply->error() == QNetworkReply::NoError) {
        exchange.outcome = SearchExchange::Answered;
        exchange.text = decodedBody(reply->readAll(), reply->rawHeader("Content-Type"));
    }
    reply->deleteLater();
    return exchange;
}

} // namespace client
