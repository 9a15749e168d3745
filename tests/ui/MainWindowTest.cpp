#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

TEST(UiSmoke, ApplicationRunsOffscreen) { EXPECT_NE(QApplication::instance(), nullptr); }
