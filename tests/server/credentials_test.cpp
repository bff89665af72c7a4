// Basic credentials are compared as the exact text the client sent: NUL bytes do not cut a name
// or password short, the scheme name ignores case, broken credentials are refused, and the
// error log shows a refused user name as sent, control characters written visibly.
#include "basic_credentials.h"
#include "search_service_fixture.h"

using namespace servicetest;
using httptest::Credentials;
using httptest::RawResponse;

namespace {

QString withNul(const char* before, const char* after)
{
    return QString::fromUtf8(before) + QChar(u'\0') + QString::fromUtf8(after);
}

QByteArray basicHeader(const QByteArray& userColonPassword, const QByteArray& scheme = "Basic")
{
    return scheme + ' ' + userColonPassword.toBase64();
}

TEST(BasicAuthorization, KeepsEveryByteAndMatchesTheSchemeInAnyCase)
{
    const BasicCredentials nulAfter = ParseBasicAuthorization(basicHeader(QByteArray("demo:demo\0junk", 14)));
    EXPECT_FALSE(nulAfter.invalid);
    EXPECT_EQ(nulAfter.user, "demo");
    EXPECT_EQ(nulAfter.password, withNul("demo", "junk"));

    const BasicCredentials nulBefore = ParseBasicAuthorization(basicHeader(QByteArray("demo\0junk:demo", 14)));
    EXPECT_EQ(nulBefore.user, withNul("demo", "junk"));
    EXPECT_EQ(nulBefore.password, "demo");

    // The first colon ends the user name; the password keeps the rest, colons and all.
    const BasicCredentials text = ParseBasicAuthorization(basicHeader("иван:p:ss wörd"));
    EXPECT_EQ(text.user, QString::fromUtf8("иван"));
    EXPECT_EQ(text.password, QString::fromUtf8("p:ss wörd"));

    for (const QByteArray& scheme : {QByteArray("basic"), QByteArray("BASIC"), QByteArray("bAsIc")}) {
        const BasicCredentials credentials = ParseBasicAuthorization(basicHeader("demo:demo", scheme));
        EXPECT_FALSE(credentials.invalid) << scheme.constData();
        EXPECT_EQ(credentials.user, "demo") << scheme.constData();
        EXPECT_EQ(credentials.password, "demo") << scheme.constData();
    }
    const BasicCredentials blanks = ParseBasicAuthorization("  Basic \t " + QByteArray("a:b").toBase64() + "  ");
    EXPECT_EQ(blanks.user + ":" + blanks.password, "a:b");
}

TEST(BasicAuthorization, BrokenCredentialsAreInvalidAndOtherSchemesCarryNone)
{
    const QByteArray good = QByteArray("demo:demo").toBase64();
    for (const QByteArray& header :
         {"Basic " + good + "!!", "Basic " + good.left(4) + ' ' + good.mid(4), "Basic " + good + "=",
          "Basic " + QByteArray("demo-demo").toBase64(), QByteArray("Basic "), "Basic " + good.left(5),
          "Basic " + QByteArray("d\xff\xfe:pw").toBase64(), "Basic " + QByteArray("demo:p\xc3").toBase64()})
        EXPECT_TRUE(ParseBasicAuthorization(header).invalid) << header.constData();

    for (const QByteArray& header : {QByteArray(), "Bearer " + good, "Basically " + good, QByteArray("Digest x=1")}) {
        const BasicCredentials none = ParseBasicAuthorization(header);
        EXPECT_FALSE(none.invalid) << header.constData();
        EXPECT_TRUE(none.user.isEmpty() && none.password.isEmpty()) << header.constData();
    }
}

class CredentialsOverHttp : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_TRUE(access.Add(true, "", "demo", "demo"));
        ASSERT_TRUE(access.Add(true, "", "", ""));
        startWorker();
    }

    RawResponse withAuthorization(const QByteArray& header)
    {
        const QByteArray query = body(videoOneFrames(100, 5));
        return httptest::exchange(port, "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: " + header
                                            + "\r\nContent-Length: " + QByteArray::number(query.size())
                                            + "\r\nConnection: close\r\n\r\n" + query);
    }
};

TEST_F(CredentialsOverHttp, NulInThePasswordOrUserNameIsRefusedAndLoggedAsSent)
{
    EXPECT_EQ(search(videoOneFrames(100, 5), Credentials {"demo", withNul("demo", "junk")}).status, 401);
    EXPECT_EQ(search(videoOneFrames(100, 5), Credentials {withNul("demo", "junk"), "demo"}).status, 401);
    EXPECT_EQ(search(videoOneFrames(100, 5), Credentials {"de\r\nmo", "demo"}).status, 401);
    EXPECT_EQ(errorLog(), QStringList({"Not authorized\t127.0.0.1\tdemo", "Not authorized\t127.0.0.1\tdemo\\0junk",
                                       "Not authorized\t127.0.0.1\tde\\r\\nmo"}));
    EXPECT_TRUE(requestLog().isEmpty());
    EXPECT_EQ(count(auth_errors), 3);
    EXPECT_EQ(count(processed_requests), 0);

    const RawResponse admitted = search(videoOneFrames(100, 5), Credentials {"demo", "demo"});
    EXPECT_TRUE(admitted.body.startsWith("<xml>\n<result>OK</result>\n"));
    EXPECT_EQ(requestLog().size(), 1);
}

TEST_F(CredentialsOverHttp, LowerCaseSchemeIsAdmittedAndJunkIsRefusedEvenByTheRowWithoutCredentials)
{
    EXPECT_TRUE(withAuthorization(basicHeader("demo:demo", "basic")).body.startsWith("<xml>\n<result>OK</result>\n"));
    EXPECT_EQ(requestLog(), QStringList({"127.0.0.1\tdemo\tfound=1\tquerylen=15\tframepos=100\tposition=4\tid=1"
                                         "\tfilename=Клип <один> & два.mp4"}));

    // The row with empty user and password admits requests without credentials, never broken ones.
    EXPECT_EQ(withAuthorization("Basic " + QByteArray("demo:demo").toBase64() + "*junk*").status, 401);
    EXPECT_EQ(withAuthorization("Basic " + QByteArray("no colon").toBase64()).status, 401);
    EXPECT_EQ(errorLog(), QStringList({"Not authorized\t127.0.0.1\t", "Not authorized\t127.0.0.1\t"}));
    EXPECT_EQ(search(videoOneFrames(100, 5), std::nullopt).status, 200);
}

} // namespace
