#include "search_transport.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <cstring>
#include <memory>

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

// As many redirects as Qt Network follows by itself.
constexpr int maximumRedirects = 50;

// The request body as a device that cannot be rewound. Qt Network sends a
// request again when its connection closed without an answer, but only when it
// can read the body once more: with this body it cannot, so the exchange fails
// instead and the server never counts and searches one search twice.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(const QByteArray& bytes) : bytes(bytes) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return bytes.size() - offset + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (offset == bytes.size())
            return -1;  // the whole body was read
        const qint64 count = qMin(maxSize, bytes.size() - offset);
        std::memcpy(data, bytes.constData() + offset, static_cast<size_t>(count));
        offset += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray bytes;
    qint64 offset = 0;
};

int defaultPort(const QUrl& url)
{
    return url.scheme() == QLatin1String("https") ? 443 : 80;
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port(defaultPort(a)) == b.port(defaultPort(b));
}

// A redirect is followed to http and https only, and never from https to http.
bool followable(const QUrl& from, const QUrl& to)
{
    const QString scheme = to.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    return !(from.scheme() == QLatin1String("https") && scheme == QLatin1String("http"));
}

// Where a finished reply redirects to; empty when it is no redirect. For a 307
// or 308 Qt Network tries to rewind the body even when it leaves the redirect
// to us, which fails with a body sent once; the redirect itself arrived whole.
QUrl redirectTarget(QNetworkReply* reply)
{
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && error != QNetworkReply::ContentReSendError)
        return {};
    return reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
}

// Waits until the reply has finished, leaving user input queued. The
// application's quit ends every event loop, this wait included: an exchange
// cut short is aborted, so it ends as a failure, never as an empty answer.
void awaitFinished(QNetworkReply* reply)
{
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    if (!reply->isFinished())
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished())
        reply->abort();
}

} // namespace

HttpSearchTransport::HttpSearchTransport() : network(new QNetworkAccessManager)
{
    // Redirects are followed here, so that each hop decides on the credentials.
    network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    network->setTransferTimeout(0);
}

HttpSearchTransport::~HttpSearchTransport()
{
    delete network;
}

QNetworkReply* HttpSearchTransport::send(const SearchRequest& search, const QUrl& url, bool withBody)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, search.contentType);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    request.setRawHeader("Accept", acceptHeader);
    if (sameOrigin(url, search.url))
        request.setRawHeader("Authorization", basicCredentials(search.user, search.password));
    if (!withBody)
        return network->get(request);

    // With its length known, Qt Network streams the body instead of keeping a
    // copy of its own from which it could send it again.
    request.setHeader(QNetworkRequest::ContentLengthHeader, search.body.size());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto* body = new OneShotBody(search.body);
    QNetworkReply* reply = network->post(request, body);
    body->setParent(reply);
    return reply;
}

SearchExchange HttpSearchTransport::post(const SearchRequest& search)
{
    SearchExchange exchange;
    if (!search.url.isValid() || search.url.host().isEmpty())
        return exchange;  // e.g. "http://:/post" without settings: nothing to reach

    QUrl url = search.url;
    bool withBody = true;
    std::unique_ptr<QNetworkReply> reply;
    for (int redirects = 0;; ++redirects) {
        reply.reset(send(search, url, withBody));
        awaitFinished(reply.get());
        const QUrl target = redirectTarget(reply.get());
        if (target.isEmpty())
            break;
        const QUrl next = url.resolved(target);
        if (redirects == maximumRedirects || !followable(url, next))
            return exchange;
        // 307 and 308 repeat the request as it was; other redirects fetch the new place.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        withBody = withBody && (status == 307 || status == 308);
        url = next;
    }

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 401) {
        exchange.outcome = SearchExchange::Refused;
    } else if (reply->error() == QNetworkReply::NoError) {
        exchange.outcome = SearchExchange::Answered;
        exchange.text = decodedBody(reply->readAll(), reply->rawHeader("Content-Type"));
    }
    return exchange;
}

} // namespace client
