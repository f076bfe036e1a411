// The places where the programs meet a person or the process: the default error handler,
// file dialogs, modal windows and the end of the program. Tests replace them.
#pragma once
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace console {

// Shows an error that ended a handler; by default a message box.
void setErrorHandler(std::function<void(const QString&)> handler);
void showError(const QString& message);

// Runs a handler: any std::exception it raises goes to the default error handler, so nothing
// an operator types can end the program.
void guarded(const std::function<void()>& handler);

// Asks for a file name to save to; an empty result means the operator cancelled.
using SaveDialog = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;
void setSaveDialog(SaveDialog dialog);
QString askSaveFileName(QWidget* parent, const QString& title, const QString& filter);

// Asks for an existing file to open; an empty result means the operator cancelled. An empty
// filter offers every file.
using OpenDialog = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;
void setOpenDialog(OpenDialog dialog);
QString askOpenFileName(QWidget* parent, const QString& title, const QString& filter);

// Shows a window modally and returns when it is closed.
void setModalRunner(std::function<void(QDialog*)> runner);
void runModal(QDialog* dialog);

// Ends the program. Waits that are running then unwind their handlers at once.
void setProgramEnd(std::function<void()> end);
void endProgram();
bool programEnding();
void resetProgramEnding();  // for tests

// Where the main window's log lines go: the log pane, unless a sink is set (the benchmark
// weighs the pane against a sink that keeps lines and draws nothing). Empty: the pane again.
using LogSink = std::function<void(const QString& line)>;
void setLogSink(LogSink sink);
const LogSink& logSink();

// Thrown by a wait once the program is ending; the handler guard swallows it.
struct ProgramEnding {};

}  // namespace console
