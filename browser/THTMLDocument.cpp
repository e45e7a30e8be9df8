#include "THTMLDocument.h"

#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineScript>

THTMLDocument::THTMLDocument(QWebEnginePage* page, QObject* parent) : QObject(parent), page_(page) {}

void THTMLDocument::execScript(const QString& code, Answer answer)
{
    if (answer)
        page_->runJavaScript(code, QWebEngineScript::MainWorld, answer);
    else
        page_->runJavaScript(code, QWebEngineScript::MainWorld);
}

void THTMLDocument::title(std::function<void(const QString&)> answer)
{
    execScript(QStringLiteral("String(document.title)"),
               [answer](const QVariant& value) { answer(value.toString()); });
}

void THTMLDocument::ScriptVariable(const QString& name, std::function<void(std::optional<QString>)> answer)
{
    const QString quoted = QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{name}).toJson(QJsonDocument::Compact));
    const QString code = QStringLiteral("(function(k){try{if(!(k in window))return null;var v=window[k];"
                                        "return [v==null?'':String(v)];}catch(e){return null;}})(%1[0])")
                             .arg(quoted);
    execScript(code, [answer](const QVariant& value) {
        const QVariantList list = value.toList();
        answer(list.isEmpty() ? std::nullopt : std::optional<QString>(list.first().toString()));
    });
}
