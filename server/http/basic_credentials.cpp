#include "basic_credentials.h"

#include <QStringDecoder>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// UTF-8 text exactly as sent; false when the bytes are not UTF-8 (no stored text has them).
bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

BasicCredentials ParseBasicAuthorization(const QByteArray& header)
{
    BasicCredentials credentials;
    const QByteArray value = header.trimmed();
    qsizetype start = 0;
    while (start < value.size() && !isBlank(value[start]))
        ++start;
    if (value.left(start).compare("Basic", Qt::CaseInsensitive) != 0)
        return credentials;
    while (start < value.size() && isBlank(value[start]))
        ++start;
    const QByteArray token = value.mid(start);
    const auto decoded = QByteArray::fromBase64Encoding(
        token, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    // One character left over after whole groups of four cannot be base64 at all.
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (!decoded || token.size() % 4 == 1 || colon < 0) {
        credentials.invalid = true;
        return credentials;
    }
    const bool userIsText = decodeUtf8(decoded.decoded.left(colon), credentials.user);
    const bool passwordIsText = decodeUtf8(decoded.decoded.mid(colon + 1), credentials.password);
    credentials.invalid = !userIsText || !passwordIsText;
    return credentials;
}
