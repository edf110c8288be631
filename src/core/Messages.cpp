#include "core/Messages.h"

#include "core/Help.h"

#include <cstdio>
#include <stdexcept>

namespace zemo {

namespace {

struct MessagesState {
    MessageService* service = nullptr;
    int helpContext = 0;
};

MessagesState& State()
{
    static MessagesState s;
    return s;
}

const char* KindName(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Error: return "error";
    case MsgKind::Warning: return "warning";
    case MsgKind::Info: return "info";
    case MsgKind::OkCancel: return "question (OK/Cancel)";
    case MsgKind::YesNoCancel: return "question (Yes/No/Cancel)";
    }
    return "message";
}

bool IsQuestion(MsgKind kind)
{
    return kind == MsgKind::OkCancel || kind == MsgKind::YesNoCancel;
}

// Before the user interface has installed its boxes (start-up, command-line tools) a
// message must still reach someone: stderr, with the key in case the texts are not loaded.
int ShowOnStderr(const ShownMessage& m)
{
    const QByteArray text = MessageText(m).toUtf8();
    const int answer = IsQuestion(m.kind) ? int(IdCancel) : int(IdOk);
    std::fprintf(stderr, "%s %s [%s]: %s%s\n", MsgCaption, KindName(m.kind), KeyName(m.key),
                 text.constData(), IsQuestion(m.kind) ? " -> Cancel" : "");
    std::fflush(stderr);
    return answer;
}

} // namespace

QString MessageText(const ShownMessage& m)
{
    const QString text = m.key == TextKey::Count ? QString() : Text(m.key);
    return MergeMsgParams(text + m.label, m.params);
}

int DefaultAnswer(const ShownMessage& m)
{
    const int named = m.defaultButton;
    switch (m.kind) {
    case MsgKind::OkCancel:
        return named == IdOk ? int(IdOk) : int(IdCancel);
    case MsgKind::YesNoCancel:
        return named == IdNo || named == IdCancel ? named : int(IdYes);
    default:
        return IdOk;
    }
}

MessageService* CurrentMessageService() { return State().service; }

MessageService* SetMessageService(MessageService* service)
{
    MessageService* prev = State().service;
    State().service = service;
    return prev;
}

int MessageHelpContext() { return State().helpContext; }

int ShowMsg(const ShownMessage& m)
{
    MessagesState& s = State();
    // Help requests while the box is up open the message's topic; the box is modal, so
    // there is never more than one at a time.
    s.helpContext = m.helpContext;
    // The main window keeps the context after the box has closed (its F1 opens it).
    SetMainWindowHelpContext(m.helpContext);
    int answer;
    try {
        answer = s.service ? s.service->Show(m) : ShowOnStderr(m);
    } catch (...) {
        s.helpContext = 0;
        throw;
    }
    s.helpContext = 0;
    return answer;
}

namespace {

int ShowBox(TextKey key, const MsgParamList& params, int helpContext, MsgKind kind,
           int defaultButton)
{
    ShownMessage m;
    m.kind = kind;
    m.key = key;
    m.params = params;
    m.helpContext = helpContext;
    m.defaultButton = defaultButton;
    return ShowMsg(m);
}

} // namespace

int ShowMsg(TextKey key, const MsgParamList& params, int helpContext, MsgKind kind)
{
    return ShowBox(key, params, helpContext, kind, 0);
}

int ErrorMsg(TextKey key, const MsgParamList& params, int helpContext)
{
    return ShowMsg(key, params, helpContext, MsgKind::Error);
}

int WarningMsg(TextKey key, const MsgParamList& params, int helpContext)
{
    return ShowMsg(key, params, helpContext, MsgKind::Warning);
}

int InfoMsg(TextKey key, const MsgParamList& params, int helpContext)
{
    return ShowMsg(key, params, helpContext, MsgKind::Info);
}

int OkCancelMsg(TextKey key, const MsgParamList& params, int helpContext, int defaultButton)
{
    return ShowBox(key, params, helpContext, MsgKind::OkCancel, defaultButton);
}

int YesNoCancelMsg(TextKey key, const MsgParamList& params, int helpContext, int defaultButton)
{
    return ShowBox(key, params, helpContext, MsgKind::YesNoCancel, defaultButton);
}

void ErrorMsg(const QString& label, const QString& value)
{
    ShownMessage m;
    m.kind = MsgKind::Error;
    m.key = TextKey::InternalError;
    m.label = label;
    m.params = value;
    m.helpContext = InternalErrorHelpContext;
    ShowMsg(m);
}

// ---- RecordingMessages ----

RecordingMessages::RecordingMessages() : prev_(SetMessageService(this)) {}

RecordingMessages::~RecordingMessages()
{
    if (CurrentMessageService() == this)
        SetMessageService(prev_);
}

int RecordingMessages::Show(const ShownMessage& m)
{
    int answer = IdOk;
    if (IsQuestion(m.kind)) {
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        } else {
            answer = defaultAnswer_ ? *defaultAnswer_ : DefaultAnswer(m);
        }
    }
    entries_.push_back(Entry{m, MessageHelpContext(), answer});
    return answer;
}

int RecordingMessages::CountOf(TextKey key) const
{
    int n = 0;
    for (const Entry& e : entries_)
        n += e.msg.key == key ? 1 : 0;
    return n;
}

const ShownMessage& RecordingMessages::Last() const
{
    if (entries_.empty())
        throw std::logic_error("RecordingMessages::Last: no message was shown");
    return entries_.back().msg;
}

} // namespace zemo
