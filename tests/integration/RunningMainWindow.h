#pragma once
// The running main window in a program folder of its own, with the site
// server, for tests that click it as a user would.
#include "TestSupport.h"
#include "app/F_MainForm.h"
#include "app/U_Config.h"
#include "browser/O_WebPageControlEx.h"
#include "browser/TEmbeddedWB.h"
#include "browser/THTMLDocument.h"

#include <QWebEngineScript>
#include <gtest/gtest.h>
#include <memory>

namespace testing_support {

class RunningMainWindow : public testing::Test {
protected:
    // topPage replaces the shipped toolbar page when given.
    void Start(const QByteArray& topPage = {})
    {
        ASSERT_NE(site_.Port(), 0);
        folder_.Write("Data/Config.dat",
                      "[System]\r\nHomePage=" + site_.Url("/title30.html").toUtf8() + "\r\n" + extraConfig_);
        if (!topPage.isEmpty())
            folder_.Write("Data/top.html", topPage);
        config_ = std::make_unique<TConfig>(folder_.Path().toStdString(), PROGRAM_FILE);
        form_ = std::make_unique<TMainForm>(*config_, folder_.Path().toStdString(), nullptr, mixer_);
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        ASSERT_TRUE(WaitFor([&] { return form_->wb_top->Document()->AdvisedSinks() == 1; }));
        ASSERT_TRUE(WaitForTab(Home()));
    }
    void TearDown() override
    {
        form_.reset();
    }

    TWebPageEx* Home() const { return form_->pager_web->Page(0); }
    // The list file of a kind ("gamelocal", "gamefavorites") that the window uses.
    QString ListFile(const QString& kind) const { return form_->Files.DataFile(kind + QStringLiteral(".xml")); }
    // Navigates a tab and waits for that navigation's completion.
    static bool NavigateAndWait(TWebPageEx* tab, const QString& url)
    {
        bool completed = false;
        auto connection = QObject::connect(tab->WebBrowser, &TEmbeddedWB::OnDocumentComplete, [&] { completed = true; });
        tab->WebBrowser->Navigate(url);
        const bool done = WaitFor([&] { return completed && !tab->Busy; });
        QObject::disconnect(connection);
        return done;
    }
    static bool WaitForTab(TWebPageEx* page)
    {
        return WaitFor([page] { return page->WebBrowser->ReadyState() == 4 && !page->Busy; });
    }

    QVariant RunIn(TEmbeddedWB* view, const QString& code) { return RunScript(view, code); }
    QVariant RunInTop(const QString& code) { return RunIn(form_->wb_top, code); }

    // A real mouse click on the middle of the element with this id.
    void Click(const QString& id)
    {
        const QVariantList box = RunInTop(QStringLiteral("(function(){var r=document.getElementById('%1')"
                                                         ".getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];})()")
                                              .arg(id))
                                     .toList();
        ASSERT_EQ(box.size(), 2) << id.toStdString();
        QTest::mouseClick(form_->wb_top->focusProxy(), Qt::LeftButton, {},
                          QPoint(int(box[0].toDouble()), int(box[1].toDouble())));
    }

    // Scripts that take half a minute (big.js) and three seconds (small.js)
    // to arrive keep a page loading.
    static QString SlowScriptRoot()
    {
        static QTemporaryDir root;
        for (const auto& [name, size] : {std::pair{"big.js", 3 << 20}, std::pair{"small.js", 300000}}) {
            QFile script(root.filePath(QLatin1String(name)));
            if (!script.exists() && script.open(QIODevice::WriteOnly))
                script.write(QByteArray(size, ' ') + "var loaded = 1;\n");
        }
        return root.path();
    }

    // Lines added to Data/Config.dat after its [System] section.
    QByteArray extraConfig_;
    SiteServer site_{SlowScriptRoot()};
    ProgramFolder folder_;
    TMixerTarget mixer_;
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<TMainForm> form_;
};

} // namespace testing_support
