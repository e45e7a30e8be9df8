#include "MSHTMLEvents.h"

#include <QString>
#include <cassert>

namespace {

HRESULT Refuse(EXCEPINFO* excepInfo, const QString& message)
{
    if (excepInfo) {
        excepInfo->wCode = 0;
        excepInfo->bstrSource.clear();
        excepInfo->bstrDescription = message.toStdU16String();
        excepInfo->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
}

} // namespace

TMSHTMLEventsBaseSink::TMSHTMLEventsBaseSink(QObject* owner) : QObject(owner) {}

TMSHTMLEventsBaseSink::~TMSHTMLEventsBaseSink() { Disconnect(); }

void TMSHTMLEventsBaseSink::Connect(IUnknown* source)
{
    assert(source != nullptr);
    Disconnect();
    auto fail = [this](const QString& reason) {
        throw ESinkError(QStringLiteral("Unable to connect %1.\r%2").arg(objectName(), reason).toStdString());
    };
    IConnectionPointContainer* container = nullptr;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr) || !container)
        fail(QStringLiteral("The source offers no connection points (0x%1).").arg(quint32(hr), 8, 16, QLatin1Char('0')));
    const auto containerRef = ComPtr<IConnectionPointContainer>::Attach(container);
    IConnectionPoint* point = nullptr;
    hr = containerRef->FindConnectionPoint(SinkIID, &point);
    if (FAILED(hr) || !point)
        fail(QStringLiteral("The source has no connection point for %1 (0x%2).")
                 .arg(QString::fromStdString(GuidToString(SinkIID)))
                 .arg(quint32(hr), 8, 16, QLatin1Char('0')));
    ConnectionPoint_ = ComPtr<IConnectionPoint>::Attach(point);
    DWORD cookie = 0;
    hr = ConnectionPoint_->Advise(static_cast<IDispatch*>(this), &cookie);
    if (FAILED(hr)) {
        ConnectionPoint_.Reset();
        fail(QStringLiteral("The source refused the sink (0x%1).").arg(quint32(hr), 8, 16, QLatin1Char('0')));
    }
    Cookie_ = cookie;
    Source_ = ComPtr<IUnknown>(source);
}

void TMSHTMLEventsBaseSink::Disconnect()
{
    if (!Source_)
        return;
    if (ConnectionPoint_)
        ConnectionPoint_->Unadvise(Cookie_);
    ConnectionPoint_.Reset();
    Source_.Reset();
}

HRESULT TMSHTMLEventsBaseSink::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == SinkIID) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TMSHTMLEventsBaseSink::GetTypeInfoCount(unsigned* count)
{
    if (count)
        *count = 0;
    return E_NOTIMPL;
}

HRESULT TMSHTMLEventsBaseSink::GetTypeInfo(unsigned, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TMSHTMLEventsBaseSink::GetIDsOfNames(REFIID, const char16_t**, unsigned, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TMSHTMLEventsBaseSink::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                      VARIANT* result, EXCEPINFO* excepInfo, unsigned* argErr)
{
    if (!(flags & DISPATCH_METHOD))
        return Refuse(excepInfo, QStringLiteral("%1 only supports sinking of method calls!")
                                     .arg(QString::fromLatin1(metaObject()->className())));
    std::vector<int> argMap;
    const bool mapped = params && params->cArgs > 0;
    if (mapped) {
        argMap.resize(params->cArgs);
        for (unsigned i = 0; i < params->cArgs; ++i)
            argMap[i] = static_cast<int>(params->cArgs - 1 - i);
        for (unsigned j = 0; j < params->cNamedArgs; ++j) {
            const DISPID position = params->rgdispidNamedArgs[j];
            if (position >= 0 && static_cast<unsigned>(position) < params->cArgs)
                argMap[static_cast<unsigned>(position)] = static_cast<int>(j);
        }
    }
    return DispatchEvent(id, iid, locale, flags, params, mapped ? &argMap : nullptr, result, excepInfo, argErr);
}

TMSHTMLHTMLDocumentEvents::TMSHTMLHTMLDocumentEvents(QObject* owner) : TMSHTMLEventsBaseSink(owner)
{
    setObjectName(QStringLiteral("DocumentEvents"));
    SinkIID = DIID_HTMLDocumentEvents;
}

const std::vector<TMSHTMLHTMLDocumentEvents::Event>& TMSHTMLHTMLDocumentEvents::Events()
{
    using C = TMSHTMLHTMLDocumentEvents;
    auto B = [](DISPID id, const char* name, THTMLDocumentEventsBooleanEvent C::*member) {
        return Event{id, name, member, nullptr};
    };
    auto N = [](DISPID id, const char* name, THTMLDocumentEventsNotifyEvent C::*member) {
        return Event{id, name, nullptr, member};
    };
    static const std::vector<Event> events = {
        B(-2147418102, "onhelp", &C::onhelp),
        B(-600, "onclick", &C::onclick),
        B(-601, "ondblclick", &C::ondblclick),
        N(-602, "onkeydown", &C::onkeydown),
        N(-604, "onkeyup", &C::onkeyup),
        B(-603, "onkeypress", &C::onkeypress),
        N(-605, "onmousedown", &C::onmousedown),
        N(-606, "onmousemove", &C::onmousemove),
        N(-607, "onmouseup", &C::onmouseup),
        N(-2147418103, "onmouseout", &C::onmouseout),
        N(-2147418104, "onmouseover", &C::onmouseover),
        N(-609, "onreadystatechange", &C::onreadystatechange),
        B(-2147418108, "onbeforeupdate", &C::onbeforeupdate),
        N(-2147418107, "onafterupdate", &C::onafterupdate),
        B(-2147418106, "onrowexit", &C::onrowexit),
        N(-2147418105, "onrowenter", &C::onrowenter),
        B(-2147418101, "ondragstart", &C::ondragstart),
        B(-2147418100, "onselectstart", &C::onselectstart),
        B(-2147418099, "onerrorupdate", &C::onerrorupdate),
        B(1023, "oncontextmenu", &C::oncontextmenu),
        B(1026, "onstop", &C::onstop),
        N(-2147418080, "onrowsdelete", &C::onrowsdelete),
        N(-2147418079, "onrowsinserted", &C::onrowsinserted),
        N(-2147418078, "oncellchange", &C::oncellchange),
        N(-2147418093, "onpropertychange", &C::onpropertychange),
        N(-2147418098, "ondatasetchanged", &C::ondatasetchanged),
        N(-2147418097, "ondataavailable", &C::ondataavailable),
        N(-2147418096, "ondatasetcomplete", &C::ondatasetcomplete),
        N(1027, "onbeforeeditfocus", &C::onbeforeeditfocus),
        N(1037, "onselectionchange", &C::onselectionchange),
        B(1036, "oncontrolselect", &C::oncontrolselect),
        B(1033, "onmousewheel", &C::onmousewheel),
        N(1048, "onfocusin", &C::onfocusin),
        N(1049, "onfocusout", &C::onfocusout),
        N(1044, "onactivate", &C::onactivate),
        N(1045, "ondeactivate", &C::ondeactivate),
        B(1047, "onbeforeactivate", &C::onbeforeactivate),
        B(1034, "onbeforedeactivate", &C::onbeforedeactivate),
    };
    return events;
}

HRESULT TMSHTMLHTMLDocumentEvents::DispatchEvent(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, const std::vector<int>*,
                                                 VARIANT* result, EXCEPINFO* excepInfo, unsigned*)
{
    for (const Event& event : Events()) {
        if (event.id != id)
            continue;
        try {
            if (event.boolean) {
                const auto& handler = this->*event.boolean;
                // Without a handler the default action stays allowed.
                const bool allowed = handler ? handler(this) : true;
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = allowed ? VARIANT_TRUE : VARIANT_FALSE;
                }
            } else if (const auto& handler = this->*event.notify) {
                handler(this);
            }
        } catch (const std::exception& error) {
            return Refuse(excepInfo, QString::fromStdString(error.what()));
        }
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}
