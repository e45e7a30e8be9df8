#include "T_UpdateInfoThread.h"

#include "F_UpdateHint.h"
#include "app/F_MainForm.h"
#include "app/U_Config.h"

#include <QFrame>
#include <QLabel>
#include <QSemaphore>
#include <memory>

namespace {

bool CarriedAsItStands(unsigned char byte)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9'))
        return true;
    // Characters that a query value may hold without changing its meaning;
    // "&", "=", "+", "#" and "%" would, so they are encoded with the rest.
    return QByteArrayView("-._~!$'()*,;:@/?").contains(char(byte));
}

QByteArray QueryValue(const std::string& value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray encoded;
    encoded.reserve(qsizetype(value.size() * 3));
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (CarriedAsItStands(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

} // namespace

QByteArray UpdateCheckAddress(const std::string& checkUrl, const std::string& softVersion,
                              const std::string& machineCode)
{
    return QByteArray::fromStdString(checkUrl) + "?var=" + QueryValue(softVersion) + "&MAC=" + QueryValue(machineCode);
}

std::optional<QByteArray> VersionEntry(const QByteArray& reply)
{
    static constexpr QByteArrayView kMarker = "CurrentVersion=";
    const qsizetype marker = reply.indexOf(kMarker);
    if (marker < 0)
        return std::nullopt;
    const qsizetype start = marker + kMarker.size();
    const qsizetype end = reply.indexOf(';', start);
    if (end < 0)
        return std::nullopt;
    return reply.mid(start, end - start);
}

TUpdateInfoThread::TUpdateInfoThread(TMainForm* form, QObject* parent, const platform::THttpLimits& limits)
    : QThread(parent), form_(form), limits_(limits)
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    start();
}

TUpdateInfoThread::~TUpdateInfoThread()
{
    requestInterruption();
    quit();
    wait();
}

bool TUpdateInfoThread::Synchronize(const std::function<void()>& step)
{
    auto done = std::make_shared<QSemaphore>();
    // Queued to this object, which lives on the user interface thread: the
    // step is dropped if the object goes first.
    QMetaObject::invokeMethod(
        this, [step, done] {
            step();
            done->release();
        },
        Qt::QueuedConnection);
    while (!done->tryAcquire(1, 50))
        if (isInterruptionRequested())
            return false;
    return true;
}

void TUpdateInfoThread::CopyConfig()
{
    if (!Config)
        return;
    CheckURL = Config->CheckURL;
    MachineCode = Config->MachineCode;
    SoftVersion = Config->SoftVersion;
}

void TUpdateInfoThread::ShowUpdateHint()
{
    if (!form_)
        return;
    auto* hint = new TUpdateHintForm(form_);
    UpdateHintForm = hint;
    const QPoint icon = form_->img_update->mapTo(form_.data(), QPoint(0, 0));
    hint->move(icon.x(), form_->pnl_bottom->y() - hint->height());
    hint->connect(hint, &TUpdateHintForm::Clicked, form_.data(), &TMainForm::lbl_updateClick);
    hint->show();
    hint->raise();
}

void TUpdateInfoThread::run()
{
    if (!Synchronize([this] { CopyConfig(); }) || CheckURL.empty())
        return;
    const platform::THttpReply reply =
        platform::HttpGet(UpdateCheckAddress(CheckURL, SoftVersion, MachineCode), limits_);
    if (!reply.Completed || reply.Status != 200)
        return;
    const std::optional<QByteArray> version = VersionEntry(reply.Body);
    if (version && *version != QByteArray::fromStdString(SoftVersion) && !isInterruptionRequested())
        Synchronize([this] { ShowUpdateHint(); });
}
