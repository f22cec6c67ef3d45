#include "ui/support/ScriptedPrompter.h"

namespace trevix::ui::test {

namespace {
template <class T>
T Take(std::deque<T>& answers, T none) {
    if (answers.empty()) return none;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

ScriptedPrompter::ScriptedPrompter() { SetPrompter(this); }
ScriptedPrompter::~ScriptedPrompter() { SetPrompter(nullptr); }

int ScriptedPrompter::Count(const QString& kind) const {
    int n = 0;
    for (const AskedQuestion& q : Asked) n += q.Kind == kind;
    return n;
}

void ScriptedPrompter::Message(QWidget*, MessageIcon icon, const QString& title,
                               const QString& text) {
    Asked.push_back({"Message", icon, title, text, {}, {}});
    if (OnMessage) OnMessage(Asked.back());
}

bool ScriptedPrompter::AskYesNo(QWidget*, MessageIcon icon, const QString& title, const QString& text,
                                DefaultAnswer defaultAnswer) {
    Asked.push_back({"YesNo", icon, title, text, defaultAnswer == DefaultAnswer::Yes ? "Yes" : "No"});
    return Take(yesNo_, false);
}

int ScriptedPrompter::Choice(QWidget*, MessageIcon icon, const QString& title,
                             const QString& text, const QStringList& buttons, int defaultButton) {
    Asked.push_back({"Choice", icon, title, text, buttons.value(defaultButton)});
    return Take(choices_, -1);
}

QStringList ScriptedPrompter::OpenFiles(QWidget*, const QString& caption, const QString& folder,
                                        const QString& filter) {
    Asked.push_back({"OpenFiles", MessageIcon::None, caption, filter, {}, folder});
    return Take(files_, QStringList{});
}

QString ScriptedPrompter::OpenFile(QWidget*, const QString& caption, const QString& folder,
                                   const QString& filter) {
    Asked.push_back({"OpenFile", MessageIcon::None, caption, filter, {}, folder});
    QStringList files = Take(files_, QStringList{});
    return files.isEmpty() ? QString() : files.front();
}

QString ScriptedPrompter::SaveFile(QWidget*, const QString& caption, const QString& folder,
                                   const QString& filter) {
    Asked.push_back({"SaveFile", MessageIcon::None, caption, filter, {}, folder});
    QStringList files = Take(files_, QStringList{});
    return files.isEmpty() ? QString() : files.front();
}

QString ScriptedPrompter::Folder(QWidget*, const QString& caption, const QString& folder) {
    Asked.push_back({"Folder", MessageIcon::None, caption, {}, {}, folder});
    return Take(folders_, QString());
}

std::optional<QString> ScriptedPrompter::Text(QWidget*, const QString& title,
                                              const QString& label, const QString&) {
    Asked.push_back({"Text", MessageIcon::None, title, label, {}});
    return Take(texts_, std::optional<QString>{});
}

} // namespace trevix::ui::test
