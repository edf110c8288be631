// The folder picker of the Datasets dialog over the program's folder dialog.
#include "core/FileDialogs.h"
#include "core/Messages.h"
#include "external/database/ZFileCtrl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

TEST(ZFileCtrl, FoldersArePickedAndMadeAsTheOptionsSay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("plain"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct Case {
        const char* what;
        bool confirmed;
        QString answer;
        int options;
        int okCancel;     // the answer to the question, 0: none asked
        bool result;
        bool exists;      // the answer exists afterwards
    };
    const int all = SelectDirAllowCreate | SelectDirPerformCreate | SelectDirPrompt;
    const Case cases[] = {
        {"cancelled", false, dir.filePath("a"), all, 0, false, false},
        {"existing", true, dir.path(), 0, 0, true, true},
        {"new, not allowed", true, dir.filePath("b"), 0, 0, false, false},
        {"new, made", true, dir.filePath("c/d"), SelectDirAllowCreate | SelectDirPerformCreate, 0, true, true},
        {"new, asked and refused", true, dir.filePath("e"), all, IdCancel, false, false},
        {"new, asked and made", true, dir.filePath("f"), all, IdOk, true, true},
        {"a file in the way", true, dir.filePath("plain/g"), all, IdOk, false, false},
    };
    for (const Case& c : cases) {
        RecordingMessages messages;
        RecordingFileDialogs dialogs;
        if (c.okCancel)
            messages.QueueAnswer(c.okCancel);
        dialogs.QueueAnswer(c.confirmed, c.answer);
        QString folder = dir.path();
        folder.replace('/', '\\');
        EXPECT_EQ(SelectDirectory(folder, c.options, 0), c.result) << c.what;
        ASSERT_EQ(dialogs.Requests().size(), 1u);
        EXPECT_EQ(dialogs.Requests()[0].kind, FileDialogRequest::Folder);
        EXPECT_EQ(dialogs.Requests()[0].initialFolder, dir.path()) << "\\ read as /";
        EXPECT_EQ(folder, c.result ? c.answer : QString(dir.path()).replace('/', '\\')) << c.what;
        EXPECT_EQ(DirectoryExists(c.answer), c.exists) << c.what;
        EXPECT_EQ(messages.CountOf(TextKey::FolderNotFound), c.okCancel ? 1 : 0) << c.what;
        EXPECT_EQ(messages.CountOf(TextKey::CannotCreateDir), QString(c.what) == "a file in the way" ? 1 : 0) << c.what;
    }
    EXPECT_FALSE(DirectoryExists(QString()));
    EXPECT_FALSE(DirectoryExists(dir.filePath("plain")));
    EXPECT_TRUE(DirectoryExists(QString(dir.path()).replace('/', '\\')));
}

} // namespace
