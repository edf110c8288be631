// Messages: every message the user sees is a language text, a parameter list merged into
// its ";" places and a help context. They all go through one process-wide MessageService;
// the Qt message boxes implement it in the user interface, RecordingMessages in tests.
#pragma once

#include "core/LangTexts.h"
#include "core/StringX.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

namespace zemo {

// The kind of box; the values are the box flags the kinds stand for (icon, buttons and
// default button), so a general ShowMsg caller can still think in those terms.
enum class MsgKind : int {
    Info = 0x00,         // OK, no icon
    Error = 0x10,        // OK, stop icon
    Warning = 0x30,      // OK, exclamation
    YesNoCancel = 0x23,  // question, Yes is the default
    OkCancel = 0x121,    // question, Cancel is the default
};

// The button that closed the box.
enum MsgAnswer : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

inline constexpr const char* MsgCaption = "ZEMO";

// One message as handed to the service.
struct ShownMessage {
    MsgKind kind = MsgKind::Info;
    TextKey key = TextKey::Count;
    // Appended to the key's text before merging (internal errors carry the routine's label).
    QString label;
    MsgParamList params;
    int helpContext = 0; // below 1: no Help button
    // The button Enter presses (a MsgAnswer of the box's buttons); 0: the kind's own.
    int defaultButton = 0;
};

// The text the box shows: Text(key) + label merged with the parameters.
QString MessageText(const ShownMessage& m);

// The button a box answers with when the user just presses Enter.
int DefaultAnswer(const ShownMessage& m);

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the message modally and returns the MsgAnswer of the closing button.
    virtual int Show(const ShownMessage& m) = 0;
};

// The service in use; nullptr means the fallback, which writes each message to stderr
// (with its key, so nothing is lost even before the texts are loaded) and answers
// questions with Cancel, the answer that changes nothing.
MessageService* CurrentMessageService();
// Returns the previous service.
MessageService* SetMessageService(MessageService* service);

// Installs a service for a scope and puts the previous one back.
class ScopedMessageService {
public:
    explicit ScopedMessageService(MessageService* service) : prev_(SetMessageService(service)) {}
    ~ScopedMessageService() { SetMessageService(prev_); }
    ScopedMessageService(const ScopedMessageService&) = delete;
    ScopedMessageService& operator=(const ScopedMessageService&) = delete;
private:
    MessageService* prev_;
};

// The help context of the box that is up at this moment; 0 when none is.
int MessageHelpContext();

int ShowMsg(const ShownMessage& m);
int ShowMsg(TextKey key, const MsgParamList& params, int helpContext, MsgKind kind);
int ErrorMsg(TextKey key, const MsgParamList& params = {}, int helpContext = 0);
int WarningMsg(TextKey key, const MsgParamList& params = {}, int helpContext = 0);
int InfoMsg(TextKey key, const MsgParamList& params = {}, int helpContext = 0);
// A question whose safe answer is not the kind's default names its own default button.
int OkCancelMsg(TextKey key, const MsgParamList& params = {}, int helpContext = 0,
                int defaultButton = 0);
int YesNoCancelMsg(TextKey key, const MsgParamList& params = {}, int helpContext = 0,
                   int defaultButton = 0);

// Internal error: the text InternalError followed by the routine's label (such as
// ": Index.GetIndex ;"), a ";" in the label taking the offending value; help context 3.
inline constexpr int InternalErrorHelpContext = 3;
void ErrorMsg(const QString& label, const QString& value = {});

// Records every message and answers questions from a script. Installs itself as the
// current service for its lifetime.
class RecordingMessages : public MessageService {
public:
    struct Entry {
        ShownMessage msg;
        int helpContextWhileUp = 0; // MessageHelpContext() while the box was up
        int answer = 0;
    };

    RecordingMessages();
    ~RecordingMessages() override;
    RecordingMessages(const RecordingMessages&) = delete;
    RecordingMessages& operator=(const RecordingMessages&) = delete;

    int Show(const ShownMessage& m) override;

    // Questions take queued answers first, then the default answer (unset: the box's
    // own default button). Error, warning and info boxes always answer OK.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void SetDefaultAnswer(std::optional<int> answer) { defaultAnswer_ = answer; }
    int PendingAnswers() const { return int(answers_.size()); }

    const std::vector<Entry>& Entries() const { return entries_; }
    int Count() const { return int(entries_.size()); }
    int CountOf(TextKey key) const;
    const ShownMessage& Last() const; // requires Count() > 0
    void Clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    std::deque<int> answers_;
    std::optional<int> defaultAnswer_;
    MessageService* prev_ = nullptr;
};

} // namespace zemo
