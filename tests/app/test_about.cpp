// The about box: its texts, the mail link, the copy menu and Close.
#include "harness.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

using namespace morvane::testing;

namespace {

TEST(AboutBox, ShowsItsTextsOpensTheMailLinkCopiesTheAddressAndCloses)
{
    Harness h;
    morvane::app::TfrmC* box = h.program->frmC;
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "Copyright");
    auto* l = box->findChild<QLabel*>("l");
    auto* c = box->findChild<QLabel*>("c");
    auto* e = box->findChild<QLabel*>("e");
    auto* menu = box->findChild<QMenu*>("pmnEmail");
    auto* copy = box->findChild<QAction*>("copy1");
    ASSERT_TRUE(l && c && e && menu && copy && box->findChild<QPushButton*>("bbnClose"));
    const auto textsAsCreated = [&] {
        EXPECT_EQ(l->text(), "Morvane, ver 1.1");
        EXPECT_FALSE(c->text().isEmpty());
        EXPECT_EQ(e->text(), "E-mail: author@morvane.example");
        EXPECT_EQ(h.state().FormsCreated, 4) << "the creation steps run once";
    };
    textsAsCreated();
    EXPECT_EQ(e->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(copy->text(), "copy");
    box->ShowOrRaise();
    ASSERT_TRUE(box->isVisible());

    // A click on the address opens the mail link, hidden.
    QTest::mouseClick(e, Qt::LeftButton);
    ASSERT_EQ(h.fake.shell.calls.size(), 1u);
    EXPECT_EQ(h.fake.shell.calls[0].file, "mailto:author@morvane.example");
    EXPECT_EQ(h.fake.shell.calls[0].parameters + h.fake.shell.calls[0].directory, "");
    EXPECT_EQ(h.fake.shell.calls[0].showCommand, 0);

    // The address's pop-up menu copies the bare address.
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), e->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(e, &request);
    EXPECT_TRUE(menu->isVisible());
    copy->trigger();
    menu->hide();
    EXPECT_EQ(h.fake.clipboard.text, "author@morvane.example");

    // Enter presses Close (the default button), which hides the box; the
    // next showing is unchanged; a click on Close hides it too.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    box->ShowOrRaise();
    EXPECT_TRUE(box->isVisible());
    textsAsCreated();
    QTest::mouseClick(box->findChild<QPushButton*>("bbnClose"), Qt::LeftButton);
    EXPECT_FALSE(box->isVisible());
}

} // namespace

MORVANE_APP_GTEST_MAIN()
