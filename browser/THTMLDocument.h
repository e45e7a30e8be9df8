#pragma once
#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QWebEnginePage;

// The document shown by a browser control, reached through its page's own
// script world. Every read is asynchronous: the engine renders in another
// process, so an answer arrives on the user interface thread later.
class THTMLDocument : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(const QVariant&)>;

    explicit THTMLDocument(QWebEnginePage* page, QObject* parent);

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

    // The element at a point of the view, in client coordinates.
    struct ElementInfo {
        bool found = false;
        QString id, className, innerText;
    };
    void elementFromPoint(int x, int y, std::function<void(const ElementInfo&)> answer);

private:
    QWebEnginePage* page_;
    std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
};
