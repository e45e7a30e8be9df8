#pragma once
#include <QObject>
#include <QVariant>
#include <functional>
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

    // Runs code in the document's window (execScript) and hands its value on.
    void execScript(const QString& code, Answer answer = {});
    // The document's title.
    void title(std::function<void(const QString&)> answer);
    // A global script variable as text; no value when it is not defined.
    void ScriptVariable(const QString& name, std::function<void(std::optional<QString>)> answer);

private:
    QWebEnginePage* page_;
};
