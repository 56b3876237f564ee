// The about box: its texts, the mail link, the copy menu and Close.
#include "harness.h"

#include "app/copyright.h"
#include "app/program.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace morvane;
using namespace morvane::app;

namespace {

TEST(AboutBox, ShowsItsTextsOpensTheMailLinkCopiesTheAddressAndCloses)
{
    morvane::testing::FakePlatform fake;
    Program program(fake.platform, QStringList{"morvane"});
    program.CreateWindows();
    TfrmC* box = program.frmC;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(program.state.FormsCreated, 4);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "Copyright");

    auto* l = box->findChild<QLabel*>("l");
    auto* c = box->findChild<QLabel*>("c");
    auto* e = box->findChild<QLabel*>("e");
    auto* close = box->findChild<QPushButton*>("bbnClose");
    auto* menu = box->findChild<QMenu*>("pmnEmail");
    auto* copy = box->findChild<QAction*>("copy1");
    ASSERT_TRUE(l && c && e && close && menu && copy);
    EXPECT_EQ(l->text(), "Morvane, ver 1.1");
    EXPECT_FALSE(c->text().isEmpty());
    EXPECT_EQ(e->text(), "E-mail: author@morvane.example");
    EXPECT_EQ(e->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(copy->text(), "copy");

    box->ShowOrRaise();
    ASSERT_TRUE(box->isVisible());

    // A click on the address opens the mail link, hidden.
    QTest::mouseClick(e, Qt::LeftButton);
    ASSERT_EQ(fake.shell.calls.size(), 1u);
    EXPECT_EQ(fake.shell.calls[0].file, "mailto:author@morvane.example");
    EXPECT_EQ(fake.shell.calls[0].parameters, "");
    EXPECT_EQ(fake.shell.calls[0].directory, "");
    EXPECT_EQ(fake.shell.calls[0].showCommand, 0);

    // The address's pop-up menu copies the bare address.
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(e, &request);
    EXPECT_TRUE(menu->isVisible());
    copy->trigger();
    menu->hide();
    EXPECT_EQ(fake.clipboard.text, "author@morvane.example");

    // Enter presses Close, which hides the box; the next showing has the
    // same texts without running the creation steps again.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    box->ShowOrRaise();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(l->text(), "Morvane, ver 1.1");
    EXPECT_EQ(e->text(), "E-mail: author@morvane.example");
    EXPECT_EQ(program.state.FormsCreated, 4);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(box->isVisible());
}

} // namespace

MORVANE_APP_GTEST_MAIN()
