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
OpenDialog openDialog;
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

namespace {

// The filter comes as "description|pattern"; Qt writes it "description (pattern)".
QString qtFilter(const QString& filter) {
    QString out = filter;
    int bar = out.indexOf(QLatin1Char('|'));
    if (bar >= 0) out = out.left(bar) + QStringLiteral(" (") + out.mid(bar + 1) + QLatin1Char(')');
    return out;
}

}  // namespace

void setSaveDialog(SaveDialog dialog) { saveDialog = std::move(dialog); }

QString askSaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    if (saveDialog) return saveDialog(parent, title, filter);
    return QFileDialog::getSaveFileName(parent, title, QString(), qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void setOpenDialog(OpenDialog dialog) { openDialog = std::move(dialog); }

QString askOpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    if (openDialog) return openDialog(parent, title, filter);
    return QFileDialog::getOpenFileName(parent, title, QString(), qtFilter(filter));
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
