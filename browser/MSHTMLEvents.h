#pragma once
// Document event sinks: objects handed to an HTML document's connection
// point that turn the document's event calls into handler calls.
#include "browser/ComTypes.h"

#include <QObject>
#include <functional>
#include <stdexcept>
#include <vector>

// An error raised by a sink operation.
class ESinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The IDispatch machinery and the connection to a source's connection point.
class TMSHTMLEventsBaseSink : public QObject, public IDispatch {
    Q_OBJECT
public:
    explicit TMSHTMLEventsBaseSink(QObject* owner);
    ~TMSHTMLEventsBaseSink() override;

    // Advises the sink on source's connection point for SinkIID, after
    // disconnecting from any earlier source. Raises ESinkError
    // "Unable to connect <Name>.\r<reason>" on failure.
    void Connect(IUnknown* source);
    // Unadvises; failures are absorbed. Nothing happens when not connected.
    void Disconnect();

    IUnknown* Source() const { return Source_.get(); }
    DWORD Cookie() const { return Cookie_; }
    IConnectionPoint* ConnectionPoint() const { return ConnectionPoint_.get(); }
    IID SinkIID = GUID_NULL;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(unsigned* count) override;
    HRESULT GetTypeInfo(unsigned index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID iid, const char16_t** names, unsigned count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, unsigned* argErr) override;

protected:
    // argMap[i] tells where the value of the event's parameter i lies in params.
    virtual HRESULT DispatchEvent(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                  const std::vector<int>* argMap, VARIANT* result, EXCEPINFO* excepInfo,
                                  unsigned* argErr) = 0;

private:
    DWORD Cookie_ = 0;
    ComPtr<IConnectionPoint> ConnectionPoint_;
    ComPtr<IUnknown> Source_;
};

class TMSHTMLHTMLDocumentEvents;
using THTMLDocumentEventsBooleanEvent = std::function<bool(TMSHTMLHTMLDocumentEvents* Sender)>;
using THTMLDocumentEventsNotifyEvent = std::function<void(TMSHTMLHTMLDocumentEvents* Sender)>;

// The HTMLDocumentEvents dispinterface: one handler per event. A Boolean
// handler's answer is the permission for the document's default action.
class TMSHTMLHTMLDocumentEvents : public TMSHTMLEventsBaseSink {
    Q_OBJECT
public:
    explicit TMSHTMLHTMLDocumentEvents(QObject* owner);

    THTMLDocumentEventsBooleanEvent onhelp, onclick, ondblclick;
    THTMLDocumentEventsNotifyEvent onkeydown, onkeyup;
    THTMLDocumentEventsBooleanEvent onkeypress;
    THTMLDocumentEventsNotifyEvent onmousedown, onmousemove, onmouseup, onmouseout, onmouseover, onreadystatechange;
    THTMLDocumentEventsBooleanEvent onbeforeupdate;
    THTMLDocumentEventsNotifyEvent onafterupdate;
    THTMLDocumentEventsBooleanEvent onrowexit;
    THTMLDocumentEventsNotifyEvent onrowenter;
    THTMLDocumentEventsBooleanEvent ondragstart, onselectstart, onerrorupdate, oncontextmenu, onstop;
    THTMLDocumentEventsNotifyEvent onrowsdelete, onrowsinserted, oncellchange, onpropertychange, ondatasetchanged,
        ondataavailable, ondatasetcomplete, onbeforeeditfocus, onselectionchange;
    THTMLDocumentEventsBooleanEvent oncontrolselect, onmousewheel;
    THTMLDocumentEventsNotifyEvent onfocusin, onfocusout, onactivate, ondeactivate;
    THTMLDocumentEventsBooleanEvent onbeforeactivate, onbeforedeactivate;

    // The dispatch table: id, event name, and whether its handler answers.
    struct Event {
        DISPID id;
        const char* name;
        THTMLDocumentEventsBooleanEvent TMSHTMLHTMLDocumentEvents::*boolean;
        THTMLDocumentEventsNotifyEvent TMSHTMLHTMLDocumentEvents::*notify;
    };
    static const std::vector<Event>& Events();

protected:
    HRESULT DispatchEvent(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                          const std::vector<int>* argMap, VARIANT* result, EXCEPINFO* excepInfo,
                          unsigned* argErr) override;
};
