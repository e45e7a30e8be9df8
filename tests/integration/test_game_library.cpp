// The game library on its own: a real left view and a real pager in a plain
// window, no main window.
#include "DialogAnswerer.h"
#include "TestSupport.h"
#include "browser/BrowserProfile.h"
#include "browser/FlashPlayer.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"
#include "library/GameLibrary.h"
#include "library/TGameList.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using platform::ListKind;
using testing_support::DialogAnswerer;
using testing_support::WaitFor;

namespace {

class GameLibrary : public testing::Test {
protected:
    static void SetUpTestSuite() { flash::Install(BrowserProfile(), QStringLiteral(RUFFLE_DIR)); }

    void SetUp() override
    {
        ASSERT_NE(site_.Port(), 0);
        folder_.Write("Data/gamelocal.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><list>"
                                            "<item><txt>游戏一</txt><url><![CDATA[20260101000001.swf]]></url></item></list>");
        QFile::copy(QStringLiteral(DEMO_SITE_DIR "/swf/tiny.swf"), folder_.Path("Data/Flash/20260101000001.swf"));
        window_.resize(900, 600);
        left_ = new TEmbeddedWB(&window_);
        left_->setGeometry(0, 0, 170, 600);
        left_->OfferPageScript(QStringLiteral(":/scripts/left_view.js"));
        pager_ = new TWebPageControlEx(&window_);
        pager_->setGeometry(170, 0, 730, 600);
        library_ = new TGameLibrary(left_, pager_, &window_, files_, &window_);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        left_->Navigate(files_.DataFile(QStringLiteral("left.html")));
        ASSERT_TRUE(WaitFor([&] { return Count(".gamelocal") == 1; }));
    }

    static QVariant RunIn(TEmbeddedWB* view, const QString& code) { return testing_support::RunScript(view, code); }
    int Count(const QString& selector) { return RunIn(left_, QStringLiteral("document.querySelectorAll('%1').length").arg(selector)).toInt(); }

    testing_support::SiteServer site_;
    testing_support::ProgramFolder folder_;
    platform::TProgramFiles files_{folder_.Path().toStdString()};
    QWidget window_;
    TEmbeddedWB* left_ = nullptr;
    TWebPageControlEx* pager_ = nullptr;
    TGameLibrary* library_ = nullptr;
};

TEST_F(GameLibrary, CollectsTheActivePageOnceAndDeletesThePickedEntry)
{
    TWebPageEx* tab = pager_->OpenPage(site_.Url("/title30.html"), false);
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->ReadyState() == 4 && !tab->Busy; }));
    DialogAnswerer answerer;
    library_->Collect();
    ASSERT_TRUE(WaitFor([&] { return answerer.messages.size() == 1; }));
    EXPECT_EQ(answerer.messages[0].toStdString(), "该游戏收藏成功！");
    EXPECT_TRUE(WaitFor([&] { return Count(".gamefavorites") == 1; })) << "the left view draws the new entry";
    library_->Collect();
    ASSERT_TRUE(WaitFor([&] { return answerer.messages.size() == 2; }));
    EXPECT_EQ(answerer.messages[1].toStdString(), "该游戏已经收藏！");

    library_->Pick(ListKind::Favorites, QStringLiteral("TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"));
    library_->DeletePicked();
    EXPECT_EQ(TGameList(files_.ListFile(ListKind::Favorites)).Count(), 0);
    EXPECT_TRUE(WaitFor([&] { return Count(".gamefavorites") == 0; }));
    EXPECT_EQ(TGameList(files_.ListFile(ListKind::Local)).Count(), 1) << "the other list is untouched";
}

TEST_F(GameLibrary, ALeftClickPlaysALocalEntryAndARightClickAsksForItsMenu)
{
    const QVariantList box = RunIn(left_, "(function(){var r=document.querySelector('.gamelocal').getBoundingClientRect();"
                                          "return [r.left+r.width/2,r.top+r.height/2];})()")
                                 .toList();
    ASSERT_EQ(box.size(), 2);
    const QPoint entry(int(box[0].toDouble()), int(box[1].toDouble()));
    QTest::mouseClick(left_->focusProxy(), Qt::LeftButton, {}, entry);
    ASSERT_TRUE(WaitFor([&] { return pager_->PageCount() == 1; }));
    TWebPageEx* tab = pager_->Page(0);
    EXPECT_EQ(tab->GameName.toStdString(), "游戏一");
    EXPECT_EQ(tab->WebBrowser->page()->requestedUrl().scheme().toStdString(), "orvanzev");

    QSignalSpy menu(library_, &TGameLibrary::EntryMenuRequested);
    QCursor::setPos(left_->mapToGlobal(entry));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(entry), QPointF(left_->mapToGlobal(entry)), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    EXPECT_TRUE(library_->LeftViewInput(left_, &release));
    ASSERT_TRUE(WaitFor([&] { return menu.count() == 1; }));
    library_->DeletePicked();
    EXPECT_EQ(TGameList(files_.ListFile(ListKind::Local)).Count(), 0);
    EXPECT_FALSE(QFile::exists(folder_.Path("Data/Flash/20260101000001.swf")));
}

} // namespace
