#include "seams.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <exception>

namespace console {
namespace {

std::function<void(const QString&)> errorHandler;
SaveDialog saveDialog;
std::function<void(QDialog*)> modalRunner;
std::function<void()> programEnd;
LogSink sink;
bool ending = false;

}  // namespace

void setErrorHandler(std::function<void(const QString&)> handler) { errorHandler = std::move(handler); }

void showError(const QString& message) {
    if (errorHandler) {
        errorHandler(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message, QMessageBox::Ok);
    box.exec();
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ProgramEnding&) {
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void setLogSink(LogSink logSink) { sink = std::move(logSink); }
const LogSink& logSink() { return sink; }

void setSaveDialog(SaveDialog dialog) { saveDialog = std::move(dialog); }

QString askSaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    if (saveDialog) return saveDialog(parent, title, filter);
    // The filter comes as "description|pattern"; Qt writes it "description (pattern)".
    QString qtFilter = filter;
    int bar = qtFilter.indexOf(QLatin1Char('|'));
    if (bar >= 0) qtFilter = qtFilter.left(bar) + QStringLiteral(" (") + qtFilter.mid(bar + 1) + QLatin1Char(')');
    return QFileDialog::getSaveFileName(parent, title, QString(), qtFilter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void setModalRunner(std::function<void(QDialog*)> runner) { modalRunner = std::move(runner); }

void runModal(QDialog* dialog) {
    if (modalRunner)
        modalRunner(dialog);
    else
        dialog->exec();
}

void setProgramEnd(std::function<void()> end) { programEnd = std::move(end); }

void endProgram() {
    ending = true;
    if (programEnd)
        programEnd();
    else
        QCoreApplication::exit(0);
}

bool programEnding() { return ending; }
void resetProgramEnding() { ending = false; }

}  // namespace console
