// The main window with the real engine, in a program folder of its own.
#include "TestSupport.h"
#include "app/F_MainForm.h"
#include "app/U_Config.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QToolButton>
#include <QUrlQuery>
#include <QWebEngineScript>
#include <gtest/gtest.h>
#include <memory>

// Readable geometry in failure messages.
void PrintTo(const QRect& r, std::ostream* out)
{
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
void PrintTo(const QSize& s, std::ostream* out) { *out << "QSize(" << s.width() << ", " << s.height() << ")"; }

using testing_support::ProgramFolder;
using testing_support::WaitFor;

namespace {

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        config_ = std::make_unique<TConfig>(folder_.Path().toStdString(), PROGRAM_FILE);
        form_ = std::make_unique<TMainForm>(*config_, folder_.Path().toStdString());
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }
    void TearDown() override
    {
        form_.reset();
    }

    struct Layout {
        QRect left, toggle, client, top, bottom, wbLeft, wbTop, button;
        bool operator==(const Layout&) const = default;
    };
    Layout Current() const
    {
        const TMainForm& f = *form_;
        return {f.pnl_left->geometry(), f.pnl_toggle->geometry(), f.pnl_client->geometry(), f.pnl_top->geometry(),
                f.pnl_bottom->geometry(), f.wb_left->geometry(), f.wb_top->geometry(), f.btn_toggle->geometry()};
    }

    ProgramFolder folder_;
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<TMainForm> form_;
};

TEST_F(MainWindow, FirstRunWritesTheConfigurationAndShowsItsName)
{
    EXPECT_EQ(folder_.Read("Data/Config.dat").toStdString(),
              "[System]\r\nSoftName=zev子\r\nUpdatePath=\r\nHomePage=about:blank\r\nReportURL=about:blank\r\n"
              "CheckURL=\r\nSoftwareWebSit=about:blank\r\n");
    EXPECT_EQ(form_->windowTitle().toStdString(), "zev子");
    EXPECT_EQ(QApplication::applicationDisplayName().toStdString(), "zev子");
    EXPECT_EQ(form_->lbl_softversion->text().toStdString(), "主程序版本：1.0.0.22");
    EXPECT_EQ(form_->lbl_update->text().toStdString(), "检查更新");
    EXPECT_EQ(form_->lbl_home->text().toStdString(), "软件官方网站");
    EXPECT_EQ(form_->lbl_report->text().toStdString(), "提提意见");
    for (QLabel* picture : {form_->img_bottom, form_->img_update, form_->img_home, form_->img_report, form_->img_wave})
        EXPECT_FALSE(picture->pixmap().isNull()) << picture->objectName().toStdString();
}

TEST_F(MainWindow, RegionsHaveTheirSizesAndPlaces)
{
    EXPECT_EQ(form_->size(), QSize(960, 680));
    const QRect screen = form_->screen()->availableGeometry();
    EXPECT_LE((form_->frameGeometry().center() - screen.center()).manhattanLength(), 2);

    const Layout l = Current();
    EXPECT_EQ(l.bottom, QRect(0, 660, 960, 20));
    EXPECT_EQ(l.left, QRect(0, 0, 170, 660));
    EXPECT_EQ(l.toggle, QRect(170, 0, 10, 660));
    EXPECT_EQ(l.client, QRect(180, 0, 780, 660));
    EXPECT_EQ(l.top, QRect(0, 0, 780, 35));
    EXPECT_EQ(l.wbLeft, QRect(-2, -2, 174, 664));
    EXPECT_EQ(l.wbTop, QRect(-2, -2, 784, 39));
    EXPECT_EQ(l.button, QRect(0, (660 - 80) / 2, 10, 80));
    EXPECT_EQ(form_->pager_web->geometry(), QRect(0, 35, 780, 625));

    // Status bar controls: left-anchored ones where placed, right-anchored
    // ones at their distance from the right edge of the 958-pixel design.
    EXPECT_EQ(form_->lbl_softversion->geometry(), QRect(6, 4, 179, 12));
    EXPECT_EQ(form_->img_update->geometry(), QRect(196, 3, 14, 14));
    EXPECT_EQ(form_->img_wave->geometry(), QRect(563, 0, 20, 20));
    EXPECT_EQ(form_->tb_wave->geometry(), QRect(586, -4, 113, 23));
    EXPECT_EQ(form_->lbl_report->geometry(), QRect(884, 4, 48, 12));
}

TEST_F(MainWindow, TwoTogglesRestoreTheLayout)
{
    ASSERT_TRUE(WaitFor([&] { return form_->wb_top->ReadyState() == 4; }));
    const Layout before = Current();
    QTest::mouseClick(form_->btn_toggle, Qt::LeftButton);
    EXPECT_TRUE(form_->pnl_left->isHidden());
    EXPECT_TRUE(form_->pnl_toggle->isHidden());
    EXPECT_EQ(form_->btn_toggle->text().toStdString(), "▼");
    EXPECT_EQ(form_->pnl_client->geometry(), QRect(0, 0, 960, 660));
    EXPECT_EQ(form_->wb_top->geometry(), QRect(-2, -2, 964, 39));

    form_->ToggleLeftView();
    EXPECT_EQ(form_->btn_toggle->text().toStdString(), "▲");
    EXPECT_TRUE(Current() == before);
}

TEST_F(MainWindow, ResizingPlacesTheBrowsersAgainAndKeepsTheMinimum)
{
    form_->resize(1200, 800);
    ASSERT_TRUE(WaitFor([&] { return form_->size() == QSize(1200, 800); }));
    EXPECT_EQ(form_->wb_left->geometry(), QRect(-2, -2, 174, 784));
    EXPECT_EQ(form_->wb_top->geometry(), QRect(-2, -2, 1024, 39));
    EXPECT_EQ(form_->btn_toggle->y(), (780 - 80) / 2);
    EXPECT_EQ(form_->lbl_report->x(), 1200 - (958 - 882));

    form_->resize(300, 200);
    ASSERT_TRUE(WaitFor([&] { return form_->width() <= 800; }));
    EXPECT_GE(form_->frameGeometry().width(), 800);
    EXPECT_GE(form_->frameGeometry().height(), 600);
}

TEST_F(MainWindow, LoadsTheLocalPagesAndTheHomePageWithoutCloseButton)
{
    EXPECT_EQ(form_->LeftPagePath, folder_.Path("Data/left.html"));
    EXPECT_EQ(form_->TopPagePath, folder_.Path("Data/top.html"));
    ASSERT_TRUE(WaitFor([&] { return form_->wb_top->ReadyState() == 4 && form_->wb_left->ReadyState() == 4; }));
    // The left page is told the home page's site; for about:blank, the built-in one.
    const QUrl left = form_->wb_left->page()->url();
    EXPECT_EQ(left.adjusted(QUrl::RemoveQuery), QUrl::fromLocalFile(form_->LeftPagePath));
    EXPECT_EQ(QUrlQuery(left).queryItemValue(QStringLiteral("site"), QUrl::FullyDecoded).toStdString(),
              "http://127.0.0.1:47615");
    EXPECT_EQ(form_->wb_top->page()->url(), QUrl::fromLocalFile(form_->TopPagePath));
    ASSERT_EQ(form_->pager_web->PageCount(), 1);
    EXPECT_FALSE(form_->pager_web->Page(0)->ShowClose());
    EXPECT_EQ(form_->pager_web->tabBar()->tabButton(0, QTabBar::RightSide), nullptr);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->Page(0)->WebBrowser->ReadyState() == 4; }));
    EXPECT_EQ(form_->pager_web->Page(0)->WebBrowser->LocationURL().toStdString(), "about:blank");
}

} // namespace

namespace {

TEST_F(MainWindow, LeftViewLinkOpensAClosableActiveTabAndTheLeftViewStays)
{
    TEmbeddedWB* left = form_->wb_left;
    ASSERT_TRUE(WaitFor([&] { return left->ReadyState() == 4; }));
    QVariant place;
    left->page()->runJavaScript(
        QStringLiteral("(function(){var r=document.querySelector('a[target=_blank]').getBoundingClientRect();"
                       "return [r.left + r.width / 2, r.top + r.height / 2];})()"),
        QWebEngineScript::MainWorld, [&](const QVariant& value) { place = value; });
    ASSERT_TRUE(WaitFor([&] { return place.isValid(); }));
    const QPoint point(place.toList().value(0).toInt(), place.toList().value(1).toInt());

    QTest::mouseClick(left->focusProxy(), Qt::LeftButton, {}, point);
    ASSERT_TRUE(WaitFor([&] { return form_->pager_web->PageCount() == 2; }));
    TWebPageEx* opened = form_->pager_web->Page(1);
    EXPECT_EQ(form_->pager_web->ActivePage(), opened);
    EXPECT_TRUE(opened->ShowClose());
    ASSERT_TRUE(WaitFor([&] { return !opened->WebBrowser->page()->requestedUrl().isEmpty(); }));
    EXPECT_TRUE(opened->WebBrowser->page()->requestedUrl().toString().endsWith("/index.html"));
    EXPECT_EQ(left->page()->url().adjusted(QUrl::RemoveQuery), QUrl::fromLocalFile(form_->LeftPagePath));
}

} // namespace

namespace {

TEST_F(MainWindow, ErrorsThatNoHandlerCaughtAreLoggedAndTheProgramGoesOn)
{
    const QString log = folder_.Path("Data/Log.dat");
    ASSERT_FALSE(QFileInfo::exists(log));
    for (const char* message : {"first failure", "two\nlines", ""})
        QTimer::singleShot(0, [message] { throw std::runtime_error(message); });
    ASSERT_TRUE(WaitFor([&] { return folder_.Read("Data/Log.dat").count("\r\n") == 3; }));
    const QString text = QString::fromUtf8(folder_.Read("Data/Log.dat"));
    const QRegularExpression lines(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d first failure\r\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d two\nlines\r\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \r\n$"));
    EXPECT_TRUE(lines.match(text).hasMatch()) << text.toStdString();
    EXPECT_TRUE(form_->isVisible());

    // A later run appends to the same log.
    form_.reset();
    form_ = std::make_unique<TMainForm>(*config_, folder_.Path().toStdString());
    QTimer::singleShot(0, [] { throw std::runtime_error("next run"); });
    ASSERT_TRUE(WaitFor([&] { return folder_.Read("Data/Log.dat").count("\r\n") == 4; }));
    EXPECT_TRUE(QString::fromUtf8(folder_.Read("Data/Log.dat")).startsWith(text));
    EXPECT_TRUE(QString::fromUtf8(folder_.Read("Data/Log.dat")).endsWith(" next run\r\n"));

    // A log that cannot be written is skipped: the program still goes on.
    QFile::remove(log);
    QDir(folder_.Path()).rename("Data", "Data.away");
    QTimer::singleShot(0, [] { throw std::runtime_error("nowhere to go"); });
    bool later = false;
    QTimer::singleShot(50, [&] { later = true; });
    EXPECT_TRUE(WaitFor([&] { return later; }));
    QDir(folder_.Path()).rename("Data.away", "Data");
    EXPECT_FALSE(QFileInfo::exists(log));
}

TEST_F(MainWindow, StatusBarLinksOpenTheirAddressesUnchangedInTheWebBrowser)
{
    const QString record = folder_.Path("opened.txt");
    folder_.Write("browser.sh", QStringLiteral("#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '%1'\n").arg(record).toUtf8());
    QFile::setPermissions(folder_.Path("browser.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    form_->BrowserCommand = folder_.Path("browser.sh");
    config_->SoftwareWebSit = "http://127.0.0.1:9/官网 页?a=1&b=%20";
    config_->ReportURL = "about:blank";
    config_->UpdatePath = "";

    QTest::mouseClick(form_->lbl_home, Qt::LeftButton);
    QTest::mouseClick(form_->img_home, Qt::LeftButton);
    QTest::mouseClick(form_->img_report, Qt::LeftButton);
    QTest::mouseClick(form_->lbl_update, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return folder_.Read("opened.txt").count('\n') == 4; }));
    QStringList opened = QString::fromUtf8(folder_.Read("opened.txt")).split('\n', Qt::SkipEmptyParts);
    opened.sort();
    EXPECT_EQ(opened.join(' ').toStdString(),
              "1| 1|about:blank 1|http://127.0.0.1:9/官网 页?a=1&b=%20 1|http://127.0.0.1:9/官网 页?a=1&b=%20");
    EXPECT_EQ(form_->pager_web->PageCount(), 1) << "the program's own views are not used";
}

} // namespace
