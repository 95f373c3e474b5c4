#include "console/commands.h"

#include "console/linebox.h"
#include "console/pointlists.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "replies/effects.h"
#include "session/connection.h"
#include "session/send.h"
#include "session/state.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

Commands::Commands() {
    setWindowTitle(QStringLiteral("Qel Commands"));
    setObjectName(QStringLiteral("Commands"));

    // Created first: the command line leads the tab order.
    txtCommand = new QPlainTextEdit(this);
    txtCommand->setObjectName(QStringLiteral("txtCommand"));
    txtCommand->setTabChangesFocus(true);
    txtCommand->setUndoRedoEnabled(false); // undoing the emptying would send again
    txtCommand->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtCommand->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtCommand->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int lineHeight = txtCommand->fontMetrics().lineSpacing();
    const int margins =
        2 * int(txtCommand->document()->documentMargin()) + 2 * txtCommand->frameWidth();
    txtCommand->setFixedHeight(lineHeight + margins);

    txtResult = new QPlainTextEdit(this);
    txtResult->setObjectName(QStringLiteral("txtResult"));
    txtResult->setReadOnly(true);
    txtResult->setTabChangesFocus(true);
    txtResult->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    results_ = new LineBox(txtResult, true);
    // Neither box has a label: named after what they hold.
    txtCommand->setAccessibleName(QStringLiteral("Command"));
    txtResult->setAccessibleName(QStringLiteral("Results"));

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdListI = button("cmdListI", "List I");
    cmdListS = button("cmdListS", "List S");
    cmdListC = button("cmdListC", "List C");
    cmdListD = button("cmdListD", "Delta");
    cmdListZ = button("cmdListZ", "Zeros");
    cmdListG = button("cmdListG", "List G");
    cmdListO = button("cmdListO", "List O");
    cmdListM = button("cmdListM", "List M (all)");
    cmdListMP = button("cmdListMP", "List M (select)");
    cmdListAall = button("cmdListAall", "List A (all)");
    cmdListAselect = button("cmdListAselect", "List A (select)");
    cmdSave = button("cmdSave", "Save");
    cmdClear = button("cmdClear", "Clear Results");
    cmdClose = button("cmdClose", "Close");

    auto* column = new QVBoxLayout;
    for (QPushButton* b :
         {cmdListI, cmdListS, cmdListC, cmdListD, cmdListZ, cmdListG, cmdListO, cmdListM, cmdListMP,
          cmdListAall, cmdListAselect, cmdSave, cmdClear, cmdClose})
        column->addWidget(b);
    column->addStretch(1);
    auto* boxes = new QVBoxLayout;
    boxes->addWidget(txtCommand);
    boxes->addWidget(txtResult, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(column);
    layout->addLayout(boxes, 1);
    resize(640, 480);

    connect(txtCommand, &QPlainTextEdit::textChanged, this, &Commands::txtCommand_Change);
    // The list buttons and what each sends, exactly as written.
    const std::pair<QPushButton*, const char*> lists[] = {
        {cmdListI, "LIST I"}, {cmdListS, "List S"}, {cmdListC, "LIST C"}, {cmdListD, "LIST D"},
        {cmdListZ, "List Z"}, {cmdListG, "LIST G"}, {cmdListO, "LIST O"}};
    for (const auto& [b, command] : lists) {
        const QString text = QString::fromLatin1(command);
        connect(b, &QPushButton::clicked, this, [this, text] { sendListCommand(text); });
    }
    // Module-style units keep points 0 to 59, the others 0 to 69; the model
    // is looked at when the button is clicked.
    connect(cmdListM, &QPushButton::clicked, this, [this] {
        sendListCommand(Global::ModuleModel ? QStringLiteral("LIST M 0 59")
                                            : QStringLiteral("LIST M 0 69"));
    });
    connect(cmdListAall, &QPushButton::clicked, this, [this] {
        sendListCommand(Global::ModuleModel ? QStringLiteral("LIST A 0 59")
                                            : QStringLiteral("LIST A 0 69"));
    });
    connect(cmdListMP, &QPushButton::clicked, this, [] { Registry::get<MasterList>().showForm(); });
    connect(cmdListAselect, &QPushButton::clicked, this,
            [] { Registry::get<AllList>().showForm(); });
    connect(cmdSave, &QPushButton::clicked, this, &Commands::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &Commands::cmdClear_Click);
    connect(cmdClose, &QPushButton::clicked, this, [this] { unload(); });
}

void Commands::onActivate() {
    Global::DisableConnectButton();
}

void Commands::onUnload() {
    Global::EnableConnectButton();
}

void Commands::txtCommand_Change() {
    if (emptyingCommand_)
        return;
    // Enter puts a line break into the box. The unit takes the whole text as
    // typed, each line break as CR LF, whatever stands before or after it.
    const QString raw = txtCommand->document()->toRawText();
    QString command;
    command.reserve(raw.size() + 2);
    bool lineBreak = false;
    for (QChar c : raw) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator: // Enter, or a line break pasted in
        case QChar::LineSeparator:      // Shift+Enter
        case '\n':
        case '\r':
            command += QLatin1String("\r\n");
            lineBreak = true;
            break;
        default:
            command += c;
            break;
        }
    }
    if (!lineBreak)
        return;
    Global::SendToQel(command);
    // Emptied by an ordinary edit: the key press that brought us here is
    // still being handled by the box.
    emptyingCommand_ = true;
    QTextCursor all(txtCommand->document());
    all.select(QTextCursor::Document);
    all.removeSelectedText();
    emptyingCommand_ = false;
    txtCommand->setFocus();
}

void Commands::sendListCommand(const QString& command) {
    Global::SendToQel(command + QLatin1Char('\r'));
    txtCommand->setFocus();
}

void Commands::cmdSave_Click() {
    if (AskYesNo(QStringLiteral(
            "Warning this will make all changes permanant. Do you want to continue?")))
        Global::SendToQel(QStringLiteral("SAVE\r"));
    txtCommand->setFocus();
}

void Commands::cmdClear_Click() {
    results_->clear();
    txtCommand->setFocus();
}

void Commands::EchoLine(QLatin1String line) {
    // Once the text has reached the limit the oldest line goes for each new
    // one. The results always end with CR LF when they hold anything, so the
    // text before the first CR LF is always a whole line here.
    if (results_->length() >= ResultLimit)
        results_->dropFirstLine();
    results_->appendLine(line);
}

QString Commands::ResultText() const {
    return results_->text();
}

namespace Global {

bool ConsoleShown() {
    return Registry::isShown<Commands>();
}

void EchoToConsole(QLatin1String line) {
    if (Commands* console = Registry::peek<Commands>())
        console->EchoLine(line);
}

} // namespace Global
