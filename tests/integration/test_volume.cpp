// Master volume and mute against a real PulseAudio server with a null sink,
// reached through ALSA's "default" device as on a desktop.
#include "RunningMainWindow.h"
#include "app/Skin.h"

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QWebEngineView>
#include <csignal>
#include <sys/prctl.h>

using testing_support::WaitFor;

namespace {

class Volume : public testing_support::RunningMainWindow {
protected:
    void SetUp() override
    {
        const QString socket = runtime_.filePath("native");
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "-n", "--log-level=error",
                                     "--load=module-native-protocol-unix socket=" + socket,
                                     "--load=module-null-sink sink_name=testsink channel_map=front-left,front-right",
                                     "--load=module-always-sink"});
        ASSERT_TRUE(server_.waitForStarted());
        qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
        ASSERT_TRUE(WaitFor([&] { return Pactl({"info"}).contains("testsink"); }, 15000)) << "no sound server";
    }
    void TearDown() override
    {
        RunningMainWindow::TearDown();
        server_.kill();
        server_.waitForFinished();
        qunsetenv("PULSE_SERVER");
    }
    static QString Pactl(const QStringList& arguments)
    {
        QProcess pactl;
        pactl.start("pactl", arguments);
        pactl.waitForFinished(5000);
        return QString::fromUtf8(pactl.readAllStandardOutput());
    }
    // The sink's raw volume of each channel.
    static QList<int> SinkVolume()
    {
        QList<int> volumes;
        auto it = QRegularExpression("(front-left|front-right): (\\d+) /").globalMatch(Pactl({"get-sink-volume", "testsink"}));
        while (it.hasNext())
            volumes << it.next().captured(2).toInt();
        return volumes;
    }
    static bool SinkMuted() { return Pactl({"get-sink-mute", "testsink"}).contains("yes"); }
    bool Shows(const char* picture) const
    {
        return form_->img_wave->pixmap().toImage() == skin::Picture(QString::fromLatin1(picture), true).toImage();
    }

    QTemporaryDir runtime_;
    QProcess server_;
};

TEST_F(Volume, SliderWritesTheEndsOfTheRangeToEveryChannel)
{
    Start();
    Pactl({"set-sink-volume", "testsink", "30%", "70%"});
    ASSERT_TRUE(WaitFor([] { return SinkVolume().size() == 2 && SinkVolume()[0] != SinkVolume()[1]; }));
    form_->tb_wave->setValue(0);
    EXPECT_TRUE(WaitFor([] { return SinkVolume() == QList<int>{0, 0}; })) << SinkVolume().size();
    form_->tb_wave->setValue(65535);
    EXPECT_TRUE(WaitFor([] { return SinkVolume() == QList<int>{65536, 65536}; }));
    form_->tb_wave->setValue(32768);
    EXPECT_TRUE(WaitFor([] { return SinkVolume().value(0) == SinkVolume().value(1) && qAbs(SinkVolume().value(0) - 32768) <= 1; }));
}

TEST_F(Volume, TwoClicksOnTheSpeakerReturnSwitchAndPicture)
{
    Start();
    ASSERT_FALSE(SinkMuted());
    EXPECT_TRUE(Shows("VolumeMuteOn.bmp"));
    QTest::mouseClick(form_->img_wave, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([] { return SinkMuted(); }));
    EXPECT_TRUE(Shows("VolumeMuteOff.bmp"));
    QTest::mouseClick(form_->img_wave, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([] { return !SinkMuted(); }));
    EXPECT_TRUE(Shows("VolumeMuteOn.bmp"));
}

TEST_F(Volume, StartUpFollowsTheMixer)
{
    Pactl({"set-sink-volume", "testsink", "50%"});
    Pactl({"set-sink-mute", "testsink", "1"});
    ASSERT_TRUE(WaitFor([] { return SinkMuted(); }));
    Start();
    EXPECT_LE(qAbs(form_->tb_wave->value() - 32768), 1) << form_->tb_wave->value();
    EXPECT_TRUE(Shows("VolumeMuteOff.bmp"));
    EXPECT_EQ(SinkVolume(), (QList<int>{32768, 32768})) << "starting writes nothing";
}

TEST_F(Volume, ReadingKeepsToTheEndsOfTheRange)
{
    // The sound server lets a sink go above its normal volume, past the
    // top of the mixer element's range.
    const struct {
        const char* sink;
        int volume;
    } cases[] = {{"150%", 65535}, {"100%", 65535}, {"50%", 32768}, {"0%", 0}};
    for (const auto& c : cases) {
        Pactl({"set-sink-volume", "testsink", c.sink});
        ASSERT_TRUE(WaitFor([&] { return Pactl({"get-sink-volume", "testsink"}).contains(c.sink); })) << c.sink;
        EXPECT_LE(qAbs(int(GetMasterVolume(0, mixer_)) - c.volume), 1) << c.sink;
    }
}

class NoMixer : public testing_support::RunningMainWindow {};

TEST_F(NoMixer, ProgramStartsAndTheControlsDoNothingHarmful)
{
    mixer_.device = "hw:77";
    Start();
    EXPECT_EQ(form_->tb_wave->value(), 0);
    EXPECT_TRUE(form_->img_wave->pixmap().toImage() == skin::Picture("VolumeMuteOn.bmp", true).toImage());
    form_->tb_wave->setValue(40000);
    QTest::mouseClick(form_->img_wave, Qt::LeftButton);
    EXPECT_TRUE(form_->isVisible());
}

} // namespace

namespace {

// The slider answers the mouse only: the keyboard never reaches it.
TEST_F(NoMixer, SliderNeverTakesTheKeyboard)
{
    mixer_.device = "hw:77";
    Start();
    testing_support::Xdotool({"windowfocus", "--sync", QString::number(form_->winId())});
    TWebPageEx* tab = Home();
    ASSERT_TRUE(NavigateAndWait(tab, site_.Url("/keys.html")));
    QSlider* slider = form_->tb_wave;
    slider->setValue(30000);
    auto at = [](QWidget* widget, QPoint point) {
        const QPoint global = widget->mapToGlobal(point);
        return QStringList{"mousemove", QString::number(global.x()), QString::number(global.y())};
    };

    // A click on the slider, then the keys that move a focused slider.
    testing_support::Xdotool(at(slider, slider->rect().center()) << "click" << "1");
    ASSERT_TRUE(WaitFor([&] { return !slider->isSliderDown(); }));
    int value = slider->value();
    testing_support::Xdotool({"key", "Right", "Up", "Prior", "End"});
    EXPECT_FALSE(WaitFor([&] { return slider->value() != value; }, 1000)) << slider->value();
    EXPECT_FALSE(slider->hasFocus());

    // Tab from the page never stops on the slider, nor on any other control
    // that arrow keys would work (the tab row, the strip's button): only
    // the web views take the keyboard.
    auto inAView = [](QWidget* widget) {
        while (widget && !qobject_cast<QWebEngineView*>(widget))
            widget = widget->parentWidget();
        return widget != nullptr;
    };
    testing_support::Xdotool(at(tab->WebBrowser, QPoint(200, 200)) << "click" << "1");
    ASSERT_TRUE(WaitFor([&] { return tab->WebBrowser->isAncestorOf(QApplication::focusWidget()); }));
    for (int i = 0; i < 8; ++i) {
        testing_support::Xdotool({"key", "Tab"});
        EXPECT_FALSE(WaitFor([&] { return !inAView(QApplication::focusWidget()); }, 200))
            << "after " << i + 1 << " tabs: "
            << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "nothing");
    }
    testing_support::Xdotool({"key", "Left", "Down"});
    EXPECT_FALSE(WaitFor([&] { return slider->value() != value; }, 1000)) << slider->value();

    // The wheel over the slider itself still sets the volume.
    testing_support::Xdotool(at(slider, slider->rect().center()) << "click" << "4");
    EXPECT_TRUE(WaitFor([&] { return slider->value() != value; }));
}

} // namespace

#include "services/VolumeControl.h"

namespace {

// The controller on its own, with no window.
TEST_F(Volume, TheControlAloneFlipsTheSwitchAndSetsTheVolume)
{
    TVolumeControl volume(mixer_);
    QList<bool> told;
    QObject::connect(&volume, &TVolumeControl::MuteChanged, [&](bool muted) { told << muted; });
    ASSERT_FALSE(SinkMuted());
    EXPECT_FALSE(volume.Muted());
    volume.ToggleMute();
    EXPECT_TRUE(WaitFor([] { return SinkMuted(); }));
    EXPECT_TRUE(volume.Muted());
    volume.ToggleMute();
    EXPECT_TRUE(WaitFor([] { return !SinkMuted(); }));
    EXPECT_EQ(told, (QList<bool>{true, false}));
    volume.SetVolume(0);
    EXPECT_TRUE(WaitFor([] { return SinkVolume() == QList<int>{0, 0}; }));
    EXPECT_EQ(volume.Volume(), 0);
    volume.SetVolume(65535);
    EXPECT_TRUE(WaitFor([] { return SinkVolume() == QList<int>{65536, 65536}; }));
    EXPECT_EQ(volume.Volume(), 65535);
}

} // namespace
