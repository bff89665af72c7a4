// Who the access list admits: blocked rows, address-bound rows, exact comparison.
#include "kestraline_access.h"
#include "recorded_messages.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class AccessRule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("Access.db");
        access.show_message = shownMessages.sink();
        ASSERT_TRUE(access.Create(path));
        ASSERT_TRUE(access.Load());
    }

    // Rows written behind the object's back, as another tool could leave them.
    void insertRaw(const QString& values)
    {
        sqliteShell(path, "insert into access (active,host,user,password) values(" + values + ");");
        ASSERT_TRUE(access.Load());
    }

    QTemporaryDir dir;
    QString path;
    RecordedMessages shownMessages;
    KESTRALINE_ACCESS access;
};

TEST_F(AccessRule, EmptyOrClosedListRefusesEveryone)
{
    EXPECT_EQ(access.user_count(), 0);
    EXPECT_TRUE(access.grid_rows().isEmpty());
    EXPECT_FALSE(access.Check("127.0.0.1", "", ""));
    EXPECT_FALSE(access.Check("127.0.0.1", "admin", "secret"));

    access.Add(true, "", "admin", "secret");
    EXPECT_TRUE(access.Check("127.0.0.1", "admin", "secret"));
    access.Close();
    EXPECT_FALSE(access.Check("127.0.0.1", "admin", "secret"));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(AccessRule, BlockedRowRefusesAndLaterActiveRowAdmits)
{
    access.Add(false, "", "admin", "secret");
    EXPECT_FALSE(access.Check("10.0.0.1", "admin", "secret"));
    access.Add(true, "", "admin", "secret");
    EXPECT_TRUE(access.Check("10.0.0.1", "admin", "secret"));

    // Blocking the active row again refuses the user.
    const int32_t secondId = access.grid_rows().at(1).at(1).toInt();
    access.Active(secondId, false);
    EXPECT_FALSE(access.Check("10.0.0.1", "admin", "secret"));
}

TEST_F(AccessRule, OnlyTheExactTextYActivatesARow)
{
    insertRaw("'y','','lower','p'");
    insertRaw("'','','empty','p'");
    insertRaw("NULL,'','null','p'");
    insertRaw("'Y ','','padded','p'");
    for (const char* user : {"lower", "empty", "null", "padded"})
        EXPECT_FALSE(access.Check("1.1.1.1", user, "p")) << user;

    // The grid shows what is stored, unchanged.
    ASSERT_EQ(access.grid_rows().size(), 4);
    EXPECT_EQ(access.grid_rows().at(0).at(2), "y");
    EXPECT_EQ(access.grid_rows().at(1).at(2), "");
    EXPECT_EQ(access.grid_rows().at(2).at(2), "");
    EXPECT_EQ(access.grid_rows().at(3).at(2), "Y ");

    // A row inserted without `active` takes the default 'Y'.
    sqliteShell(path, "insert into access (host,user,password) values('','default','p');");
    access.Load();
    EXPECT_TRUE(access.Check("1.1.1.1", "default", "p"));
}

TEST_F(AccessRule, HostBoundRowAdmitsFromThatAddressOnly)
{
    access.Add(true, "10.0.0.5", "bound", "pw");
    access.Add(true, "", "anywhere", "pw");
    EXPECT_TRUE(access.Check("10.0.0.5", "bound", "pw"));
    EXPECT_FALSE(access.Check("10.0.0.6", "bound", "pw"));
    EXPECT_FALSE(access.Check("10.0.0.50", "bound", "pw"));
    EXPECT_FALSE(access.Check("", "bound", "pw"));
    EXPECT_FALSE(access.Check(" 10.0.0.5", "bound", "pw")); // no trimming of addresses
    EXPECT_TRUE(access.Check("10.0.0.6", "anywhere", "pw"));
    EXPECT_TRUE(access.Check("::1", "anywhere", "pw"));
}

TEST_F(AccessRule, UserAndPasswordCompareExactly)
{
    access.Add(true, "", "Admin", "Secret");
    EXPECT_TRUE(access.Check("h", "Admin", "Secret"));
    EXPECT_FALSE(access.Check("h", "admin", "Secret"));
    EXPECT_FALSE(access.Check("h", "Admin", "secret"));
    EXPECT_FALSE(access.Check("h", "Admin ", "Secret"));
    EXPECT_FALSE(access.Check("h", "Admin", "Secret "));
    EXPECT_FALSE(access.Check("h", "Admin", ""));
    EXPECT_FALSE(access.Check("h", "", "Secret"));
    // The password of one row never admits the user of another.
    access.Add(true, "", "Other", "Else");
    EXPECT_FALSE(access.Check("h", "Admin", "Else"));

    access.Add(true, "", QString::fromUtf8("Пользователь"), QString::fromUtf8("пароль"));
    EXPECT_TRUE(access.Check("h", QString::fromUtf8("Пользователь"), QString::fromUtf8("пароль")));
    EXPECT_FALSE(access.Check("h", QString::fromUtf8("пользователь"), QString::fromUtf8("пароль")));
}

TEST_F(AccessRule, RowWithoutCredentialsAdmitsRequestsWithoutCredentials)
{
    access.Add(true, "", "named", "pw");
    EXPECT_FALSE(access.Check("h", "", ""));
    access.Add(true, "", "", "");
    EXPECT_TRUE(access.Check("h", "", ""));
    EXPECT_TRUE(access.Check("h", QString(), QString()));
    EXPECT_FALSE(access.Check("h", "", "x"));
}

} // namespace
