// Qt's own texts in the system's language, in both builds: the standard button of a message box
// the program raises and the cancel button of the send box's load dialog are Qt's, translated
// for the locale this test program starts under; every text of the program stays its own.
#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMenu>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaProperty>
#include <QTabBar>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "zhoperator.h"

namespace {

// Qt's words for each locale a test program is built for.
struct QtWords {
    const char* locale;
    const char* ok;
    const char* cancel;
    const char* undo;  // the first entries of a text box's menu
    const char* redo;
};
constexpr QtWords kWords[] = {{"zh_CN.UTF-8", "确定", "取消", "撤消(&U)", "重做(&R)"},
                              {"en_US.UTF-8", "OK", "Cancel", "&Undo", "&Redo"}};

const QtWords& words() {
    const QtWords* w = std::find_if(std::begin(kWords), std::end(kWords),
                                    [](const QtWords& w) { return std::string_view(w.locale) == SYSTEM_LOCALE; });
    if (w == std::end(kWords)) throw std::logic_error("no words for the locale " SYSTEM_LOCALE);
    return *w;
}

struct Build {
    const char* name;
    bool chinese;
    const char* openButton, *closeButton;  // the serial page's port group
};
void PrintTo(const Build& b, std::ostream* os) { *os << b.name; }

class QtTexts : public Operator, public ::testing::WithParamInterface<Build> {
protected:
    std::unique_ptr<TForm1> makeForm() override {
        if (GetParam().chinese) return std::make_unique<TForm1Zh>();
        return std::make_unique<TForm1>();
    }
    std::unique_ptr<QDialog> makeAbout() {
        if (GetParam().chinese) return std::make_unique<TForm2Zh>();
        return std::make_unique<TForm2>();
    }
    std::unique_ptr<QDialog> makeMemoryLayout() {
        if (GetParam().chinese) return std::make_unique<TForm3Zh>();
        return std::make_unique<TForm3>();
    }

    // What a dialog showed: its title and the text of the button that closed it.
    struct Shown {
        bool shown = false;
        QString title, button;
    };
    // Runs `operate`; the first dialog of type D that shows modally meanwhile is closed with the
    // button `which` finds in it, clicked as the operator would (without one it is rejected).
    template <typename D>
    static Shown closeWith(const std::function<void()>& operate, const std::function<QAbstractButton*(D*)>& which) {
        Shown seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            if (seen.shown || !dialog) return;
            seen.shown = true;
            seen.title = dialog->windowTitle();
            if (QAbstractButton* button = which(dialog)) {
                seen.button = button->text();
                QTest::mouseClick(button, Qt::LeftButton);
            }
            if (dialog->isVisible()) dialog->reject();
        });
        poll.start(10);
        operate();
        return seen;
    }

    // Every text a window holds: each string property of it and of every object in it, and the
    // entries of tab bars, lists, tables and drop-down lists. A tab bar's scroll buttons are
    // Qt's own, with Qt's texts.
    static QStringList textsOf(QWidget* window) {
        QStringList out;
        QList<QObject*> objects{window};
        objects += window->findChildren<QObject*>();
        for (QObject* o : objects) {
            if (qobject_cast<QTabBar*>(o->parent())) continue;
            const QString who = QString::fromUtf8(o->metaObject()->className()) + ' ' + o->objectName() + ' ';
            const QMetaObject* meta = o->metaObject();
            for (int i = 0; i < meta->propertyCount(); ++i) {
                const QMetaProperty p = meta->property(i);
                if (p.metaType() == QMetaType::fromType<QString>())
                    out << who + p.name() + '=' + p.read(o).toString();
                else if (p.metaType() == QMetaType::fromType<QStringList>())
                    out << who + p.name() + '=' + p.read(o).toStringList().join('|');
            }
            if (auto* bar = qobject_cast<QTabBar*>(o))
                for (int i = 0; i < bar->count(); ++i) out << who + bar->tabText(i);
            const QAbstractItemModel* model = nullptr;
            if (auto* view = qobject_cast<QAbstractItemView*>(o)) model = view->model();
            if (auto* combo = qobject_cast<QComboBox*>(o)) model = combo->model();
            if (!model) continue;
            for (int c = 0; c < model->columnCount(); ++c) out << who + model->headerData(c, Qt::Horizontal).toString();
            for (int r = 0; r < model->rowCount(); ++r) {
                out << who + model->headerData(r, Qt::Vertical).toString();
                for (int c = 0; c < model->columnCount(); ++c) out << who + model->index(r, c).data().toString();
            }
        }
        return out;
    }
};

TEST_P(QtTexts, MessageBoxOfTheProgramHasQtsButton) {
    console::setErrorHandler(nullptr);  // the program's own message box
    QString text;
    const Shown box = closeWith<QMessageBox>(
        [&] {
            click(GetParam().closeButton);
            click(GetParam().openButton);  // the form's port is no device here
        },
        [&](QMessageBox* box) {
            text = box->text();
            return box->button(QMessageBox::Ok);
        });
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.button, words().ok);
    EXPECT_EQ(box.title, "RFID");
    EXPECT_EQ(text, "the com is not exist!...");
    EXPECT_TRUE(control(GetParam().openButton)->isEnabled());
}

TEST_P(QtTexts, LoadDialogHasQtsCancelButton) {
    const QString before = form->Memo1->toPlainText();
    const Shown dialog = closeWith<QFileDialog>([&] { click("Button6"); }, [](QFileDialog* dialog) {
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        return buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
    });
    ASSERT_TRUE(dialog.shown);
    EXPECT_EQ(dialog.button, words().cancel);
    EXPECT_EQ(dialog.title, "载入数据！");
    EXPECT_EQ(form->Memo1->toPlainText(), before) << "cancelled: nothing loaded";
    EXPECT_TRUE(errors.isEmpty());
}

// The send box's menu is a text box's menu, in Qt's words.
TEST_P(QtTexts, SendBoxMenuHasQtsWords) {
    QTabBar* bar = form->PageControl1->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(8).center());
    QWidget* box = form->Memo1->viewport();
    QStringList entries;
    QTimer::singleShot(0, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) entries << a->text().section(u'\t', 0, 0);
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, box->rect().center(), box->mapToGlobal(box->rect().center()));
    QApplication::sendEvent(box, &event);
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[0], words().undo);
    EXPECT_EQ(entries[1], words().redo);
}

// The windows show the same texts with Qt's translations as without them.
TEST_P(QtTexts, ProgramTextsStayTheirOwn) {
    auto* qt = QCoreApplication::instance()->findChild<QTranslator*>();
    ASSERT_NE(qt, nullptr) << "no Qt translations for " SYSTEM_LOCALE;
    auto texts = [this] {
        return QList<QStringList>{textsOf(makeForm().get()), textsOf(makeAbout().get()),
                                  textsOf(makeMemoryLayout().get())};
    };
    const QList<QStringList> translated = texts();
    QCoreApplication::removeTranslator(qt);
    const QList<QStringList> own = texts();
    QCoreApplication::installTranslator(qt);
    for (qsizetype w = 0; w < own.size(); ++w) {
        EXPECT_GT(own[w].size(), 1);
        const QStringList& a = translated[w];
        const QStringList& b = own[w];
        const auto [at, _] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        EXPECT_TRUE(a == b) << "window " << w << ": "
                            << (at == a.end() ? std::string("fewer texts") : at->toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(, QtTexts,
                         ::testing::Values(Build{"Vorcard", false, "Button1", "Button2"},
                                           Build{"Vorcard-zh", true, "Button73", "Button74"}),
                         [](const auto& info) { return std::string(info.param.chinese ? "Zh" : "Vorcard"); });

}  // namespace
