#include "THTMLDocument.h"

#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineScript>

THTMLDocument::THTMLDocument(QWebEnginePage* page, QObject* parent) : QObject(parent), page_(page) {}

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
            answer(value);
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
    execScript(QStringLiteral("(function(a){var e=document.getElementById(a[0])||document.getElementsByName(a[0])[0];"
                              "if(!e)return false;e.style.display=a[1];return true;})(%1)")
                   .arg(Literal({id, display})),
               AsBool(answer));
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
