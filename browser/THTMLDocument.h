#pragma once
#include "browser/ComTypes.h"

#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QWebEnginePage;

// The document shown by a browser control, reached through its page's own
// script world. Every read is asynchronous: the engine renders in another
// process, so an answer arrives on the user interface thread later.
//
// It is also the source of the document's events: it offers the
// HTMLDocumentEvents connection point, and the program's page-side script
// reports each event, which FireEvent passes to every advised sink.
class THTMLDocument : public QObject, public IConnectionPointContainer {
    Q_OBJECT
public:
    using Answer = std::function<void(const QVariant&)>;

    explicit THTMLDocument(QWebEnginePage* page, QObject* parent);
    ~THTMLDocument() override;

    // No answer is delivered after this: the engine hands pending answers
    // over (empty) while the page is destroyed, when their askers may be gone.
    void Close() { *open_ = false; }

    // Runs code in the document's window (execScript) and hands its value on.
    void execScript(const QString& code, Answer answer = {});
    // The document's title.
    void title(std::function<void(const QString&)> answer);
    // The document's domain.
    void domain(std::function<void(const QString&)> answer);
    // A global script variable as text; no value when it is not defined.
    void ScriptVariable(const QString& name, std::function<void(std::optional<QString>)> answer);
    // Calls a global script function by name with text arguments; the answer
    // is false when there is no such function or it throws.
    void CallFunction(const QString& name, const QStringList& arguments, std::function<void(bool)> answer = {});
    // Sets style.display of the first element whose id or name is id; the
    // answer is false when there is no such element.
    void SetElementDisplay(const QString& id, const QString& display, std::function<void(bool)> answer = {});
    // The same for several elements in order, stopping at the first that is
    // missing; the answer names it, or is empty when all were written.
    void SetElementDisplays(const QList<QPair<QString, QString>>& displays,
                            std::function<void(const QString& missing)> answer);

    // The element at a point of the view, in client coordinates.
    struct ElementInfo {
        bool found = false;
        QString id, className, innerText;
    };
    void elementFromPoint(int x, int y, std::function<void(const ElementInfo&)> answer);

    // IUnknown: the document lives as long as its control, references do
    // not count. IHTMLDocument2 is answered while a document is loaded.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    bool Loaded() const { return loaded_; }
    void SetLoaded(bool loaded) { loaded_ = loaded; }

    // The event being dispatched (parentWindow.event), with the id of its
    // source element; null outside an event.
    struct Event {
        QString type;
        QString srcElementId;
    };
    const Event* CurrentEvent() const { return currentEvent_; }

    // Passes an event to every advised sink; false when one of them answers
    // false, which cancels the event's default action.
    bool FireEvent(DISPID id, const Event& event);
    int AdvisedSinks() const;

signals:
    // A sink failed while handling an event; message says why.
    void EventFailed(const QString& message);

private:
    class EventsConnectionPoint;
    QWebEnginePage* page_;
    std::unique_ptr<EventsConnectionPoint> events_;
    const Event* currentEvent_ = nullptr;
    bool loaded_ = false;
    std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
};
