#pragma once
#include <QByteArray>
#include <QString>

// The user name and password of an Authorization header with the Basic scheme, as the exact
// characters the client sent: NUL bytes, colons in the password and letters outside ASCII
// included.
struct BasicCredentials {
    QString user, password;
    // Basic credentials were sent but cannot be anybody's: the base64 does not decode, no colon
    // separates user and password, or the bytes are not UTF-8 text. Such a request is refused.
    bool invalid = false;
};

// Reads the value of an Authorization header. No header, or another scheme, gives the empty user
// name and password of a request without credentials. The scheme name is matched without regard
// to case; the base64 is decoded strictly.
BasicCredentials ParseBasicAuthorization(const QByteArray& header);
