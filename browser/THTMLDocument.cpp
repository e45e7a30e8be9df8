#include "THTMLDocument.h"

#include "platform/ErrorReport.h"

#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineScript>

// The HTMLDocumentEvents connection point: advised sinks by cookie.
class THTMLDocument::EventsConnectionPoint : public IConnectionPoint {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *object = static_cast<IConnectionPoint*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (!sink || !cookie)
            return E_POINTER;
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(DIID_HTMLDocumentEvents, reinterpret_cast<void**>(&dispatch))) || !dispatch)
            return CONNECT_E_CANNOTCONNECT;
        *cookie = ++lastCookie_;
        sinks_.emplace_back(*cookie, ComPtr<IDispatch>::Attach(dispatch));
        return S_OK;
    }

    HRESULT Unadvise(DWORD cookie) override
    {
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == cookie) {
                sinks_.erase(it);
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }

    std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;

private:
    DWORD lastCookie_ = 0;
};

THTMLDocument::THTMLDocument(QWebEnginePage* page, QObject* parent)
    : QObject(parent), page_(page), events_(std::make_unique<EventsConnectionPoint>())
{
}

THTMLDocument::~THTMLDocument() = default;

HRESULT THTMLDocument::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
        return S_OK;
    }
    if (iid == IID_IHTMLDocument2 && loaded_) {
        *object = static_cast<IConnectionPointContainer*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT THTMLDocument::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    if (iid != DIID_HTMLDocumentEvents) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = events_.get();
    return S_OK;
}

int THTMLDocument::AdvisedSinks() const { return static_cast<int>(events_->sinks_.size()); }

bool THTMLDocument::FireEvent(DISPID id, const Event& event)
{
    // A handler may unadvise sinks or start another event meanwhile.
    const auto sinks = events_->sinks_;
    const Event* outer = currentEvent_;
    currentEvent_ = &event;
    bool allowed = true;
    for (const auto& [cookie, sink] : sinks) {
        DISPPARAMS none;
        VARIANT result;
        EXCEPINFO failure;
        const HRESULT hr = sink->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &none, &result, &failure, nullptr);
        if (FAILED(hr))
            emit EventFailed(QString::fromStdU16String(failure.bstrDescription));
        else if (result.vt == VT_BOOL && result.boolVal == VARIANT_FALSE)
            allowed = false;
    }
    currentEvent_ = outer;
    return allowed;
}

void THTMLDocument::execScript(const QString& code, Answer answer)
{
    if (!*open_)
        return;
    if (!answer) {
        page_->runJavaScript(code, QWebEngineScript::MainWorld);
        return;
    }
    page_->runJavaScript(code, QWebEngineScript::MainWorld, [open = open_, answer](const QVariant& value) {
        if (*open)
            platform::Guarded([&] { answer(value); });
    });
}

void THTMLDocument::title(std::function<void(const QString&)> answer)
{
    execScript(QStringLiteral("String(document.title)"),
               [answer](const QVariant& value) { answer(value.toString()); });
}

namespace {

// A script literal for any list of values.
QString Literal(const QVariantList& values)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(values).toJson(QJsonDocument::Compact));
}

std::function<void(const QVariant&)> AsBool(std::function<void(bool)> answer)
{
    if (!answer)
        return {};
    return [answer](const QVariant& value) { answer(value.toBool()); };
}

} // namespace

void THTMLDocument::domain(std::function<void(const QString&)> answer)
{
    execScript(QStringLiteral("String(document.domain)"), [answer](const QVariant& value) { answer(value.toString()); });
}

void THTMLDocument::CallFunction(const QString& name, const QStringList& arguments, std::function<void(bool)> answer)
{
    QVariantList values{name};
    for (const QString& argument : arguments)
        values << argument;
    execScript(QStringLiteral("(function(a){try{var f=window[a[0]];if(typeof f!=='function')return false;"
                              "f.apply(window,a.slice(1));return true;}catch(e){return false;}})(%1)")
                   .arg(Literal(values)),
               AsBool(answer));
}

void THTMLDocument::SetElementDisplay(const QString& id, const QString& display, std::function<void(bool)> answer)
{
    SetElementDisplays({{id, display}}, [answer](const QString& missing) {
        if (answer)
            answer(missing.isEmpty());
    });
}

void THTMLDocument::SetElementDisplays(const QList<QPair<QString, QString>>& displays,
                                       std::function<void(const QString& missing)> answer)
{
    QVariantList writes;
    for (const auto& [id, display] : displays)
        writes << QVariant(QVariantList{id, display});
    // The first element, in document order, whose id or name is the text.
    execScript(QStringLiteral("(function(writes){for(var i=0;i<writes.length;i++){var q=CSS.escape(writes[i][0]);"
                              "var e=document.querySelector('[id=\"'+q+'\"],[name=\"'+q+'\"]');"
                              "if(!e)return writes[i][0];e.style.display=writes[i][1];}return '';})(%1)")
                   .arg(Literal(writes)),
               [answer](const QVariant& value) {
                   if (answer)
                       answer(value.toString());
               });
}

void THTMLDocument::elementFromPoint(int x, int y, std::function<void(const ElementInfo&)> answer)
{
    execScript(QStringLiteral("(function(){var e=document.elementFromPoint(%1,%2);if(!e)return null;"
                              "return {id:e.id,className:String(e.className),innerText:e.innerText};})()")
                   .arg(x)
                   .arg(y),
               [answer](const QVariant& value) {
                   ElementInfo info;
                   const QVariantMap map = value.toMap();
                   info.found = !map.isEmpty();
                   info.id = map.value(QStringLiteral("id")).toString();
                   info.className = map.value(QStringLiteral("className")).toString();
                   info.innerText = map.value(QStringLiteral("innerText")).toString();
                   answer(info);
               });
}

void THTMLDocument::ScriptVariable(const QString& name, std::function<void(std::optional<QString>)> answer)
{
    const QString quoted = Literal({name});
    const QString code = QStringLiteral("(function(k){try{if(!(k in window))return null;var v=window[k];"
                                        "return [v==null?'':String(v)];}catch(e){return null;}})(%1[0])")
                             .arg(quoted);
    execScript(code, [answer](const QVariant& value) {
        const QVariantList list = value.toList();
        answer(list.isEmpty() ? std::nullopt : std::optional<QString>(list.first().toString()));
    });
}
