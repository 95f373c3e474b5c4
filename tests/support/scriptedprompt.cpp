#include "scriptedprompt.h"

void ScriptedPrompt::message(const QString& text, const QString& title) {
    shown.append({QStringLiteral("message"), title, text});
    if (whileOpen)
        whileOpen();
}

bool ScriptedPrompt::askYesNo(const QString& text, const QString& title) {
    shown.append({QStringLiteral("yesno"), title, text});
    if (whileOpen)
        whileOpen();
    return yesNoAnswers.isEmpty() ? false : yesNoAnswers.dequeue();
}

QString ScriptedPrompt::openFile(const QString& filter, bool) {
    shown.append({QStringLiteral("open"), QString(), filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedPrompt::saveFile(const QString& filter) {
    shown.append({QStringLiteral("save"), QString(), filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QStringList ScriptedPrompt::messages() const {
    QStringList list;
    for (const ShownPrompt& p : shown)
        if (p.kind == QLatin1String("message"))
            list << p.text;
    return list;
}

ScriptedPrompt* InstallScriptedPrompt() {
    auto p = std::make_unique<ScriptedPrompt>();
    ScriptedPrompt* raw = p.get();
    installPrompt(std::move(p));
    return raw;
}
