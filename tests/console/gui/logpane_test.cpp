// The log pane: the add rule, undo of the operator's edits only, clearing and saving.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "gui/waits.h"
#include "operator.h"

namespace {

using LogPaneTest = Operator;

TEST_F(LogPaneTest, AddRule) {
    form->addLog("abc\r\n");
    EXPECT_EQ(lines(), (QStringList{"abc", ""}));
    form->addLog("def");
    form->addLog("x\r\ny\rz\n");
    EXPECT_EQ(lines(), (QStringList{"abc", "", "def", "x", "y", "z", ""}));
}

TEST_F(LogPaneTest, RevokeUndoesOnlyTheOperatorsEdits) {
    LogPane* pane = form->RichEdit1;
    form->addLog("first");
    pane->moveCursor(QTextCursor::End);
    pane->setFocus();
    QTest::keyClicks(pane, " typed");
    form->addLog("program line");
    EXPECT_EQ(lines(), (QStringList{"first typed", "program line"}));

    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"})) << "the typed run is one step";
    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"})) << "program lines are not undone";

    // Cut and paste through the menu are undoable edits too.
    QTextCursor c = pane->textCursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    pane->setTextCursor(c);
    form->N17->trigger();
    EXPECT_EQ(lines()[0], "");
    pane->moveCursor(QTextCursor::End);
    form->N19->trigger();
    EXPECT_EQ(lines()[1], "program linefirst");
    form->N15->trigger();
    form->N15->trigger();
    EXPECT_EQ(lines(), (QStringList{"first", "program line"}));
}

TEST_F(LogPaneTest, ProgramLinesDoNotGrowTheUndoHistory) {
    for (int i = 0; i < 1000; ++i) form->addLog("line\r\n");
    EXPECT_FALSE(form->RichEdit1->canUndoOperatorEdit());
    EXPECT_FALSE(form->RichEdit1->document()->isUndoAvailable());
}

TEST_F(LogPaneTest, ClearWhileLinesKeepComing) {
    QTimer feed;
    int fed = 0;
    QObject::connect(&feed, &QTimer::timeout, [&] { form->addLog("tick " + std::to_string(++fed)); });
    feed.start(5);
    console::Delayy(60);
    ASSERT_GT(form->RichEdit1->lineCount(), 0);
    form->MenuItem1->trigger();
    EXPECT_EQ(form->RichEdit1->lineCount(), 0);
    int atClear = fed;
    console::Delayy(60);
    feed.stop();
    ASSERT_GT(fed, atClear);
    EXPECT_EQ(lines().first(), QString("tick %1").arg(atClear + 1));
}

class SaveTest : public Operator {
protected:
    void save(const QString& name) {
        console::setSaveDialog([this, name](QWidget*, const QString& title, const QString& filter) {
            askedTitle = title;
            askedFilter = filter;
            return name;
        });
        form->MenuItem2->trigger();
    }
    QByteArray read(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    QTemporaryDir dir;
    QString askedTitle, askedFilter;
};

TEST_F(SaveTest, SavesRichTextUnderTheNameAsTyped) {
    form->addLog("通讯错误，没有接收到数据..   02:05:09 PM\r\n");
    form->addLog("braces {} and \\ stay");
    for (const char* name : {"log", "log.txt"}) {
        QString path = dir.filePath(name);
        save(path);
        ASSERT_TRUE(QFile::exists(path)) << name;
        QByteArray rtf = read(path);
        EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << name;
        EXPECT_TRUE(rtf.contains("braces \\{\\} and \\\\ stay"));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("log.rtf")));
    EXPECT_FALSE(QFile::exists(dir.filePath("log.txt.txt")));
    EXPECT_EQ(askedTitle, "保存接收数据！");
    EXPECT_EQ(askedFilter, "文本文件(.txt)|*.txt");
    EXPECT_TRUE(errors.isEmpty());

    // A common reader opens it with the Chinese text intact.
    QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
    QProcess p;
    p.start(unrtf, {"--html", dir.filePath("log")});
    ASSERT_TRUE(p.waitForFinished(30000));
    // Its HTML writes characters beyond ASCII as numeric entities.
    QString html = QString::fromUtf8(p.readAllStandardOutput());
    QString text;
    QRegularExpression entity("&#(\\d+);");
    int at = 0;
    for (auto m = entity.globalMatch(html); m.hasNext();) {
        auto hit = m.next();
        text += html.mid(at, hit.capturedStart() - at) + QChar(hit.captured(1).toInt());
        at = hit.capturedEnd();
    }
    text += html.mid(at);
    EXPECT_TRUE(text.contains("通讯错误，没有接收到数据..")) << text.toStdString();
    EXPECT_TRUE(text.contains("braces {} and \\ stay")) << text.toStdString();
}

TEST_F(SaveTest, ReplacesAnExistingFileAndCancelWritesNothing) {
    QString path = dir.filePath("old.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(10000, 'x'));
    }
    form->addLog("new");
    save(path);
    EXPECT_FALSE(read(path).contains("xxxx"));
    save(QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(SaveTest, WriteErrorReachesTheErrorHandlerAndKeepsThePane) {
    form->addLog("kept");
    save(dir.filePath("no/such/folder/log"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("no/such/folder/log"));
    EXPECT_EQ(lines(), QStringList{"kept"});
}

}  // namespace
