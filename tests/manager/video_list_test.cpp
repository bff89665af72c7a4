// The pieces both video lists share: the status bar's counting and the
// duplicate check of a file choice.
#include "new_files.h"
#include "status_bar_texts.h"
#include "video_status.h"

#include <gtest/gtest.h>

using namespace manager;

TEST(StatusBarTexts, CountsOnlyExactStatusWords)
{
    EXPECT_EQ(status_bar_texts({video_status_processed(), video_status_failed(), video_status_queued(), video_status_processed(),
                                "обработан", video_status_processed() + " ", ""}),
              QStringList({"Всего записей: 7", "Обработано: 2", "С ошибкой: 1", "В обработке: 1"}));
}

TEST(NewFiles, DuplicatesOfTheListTheProjectOrTheChoiceAreRefused)
{
    const NEW_FILES files = split_new_files({"/v/a.avi", "/v/b.avi", "/v/B.avi", "/v/c.avi", "/v/b.avi", "/v/d.avi"},
                                            {"/v/a.avi", ""}, {"/v/c.avi", ""});
    EXPECT_EQ(files.accepted, QStringList({"/v/b.avi", "/v/B.avi", "/v/d.avi"}));
    EXPECT_TRUE(files.anyDuplicate);
    EXPECT_FALSE(split_new_files({"/v/x.avi"}, {""}, {""}).anyDuplicate);
}
