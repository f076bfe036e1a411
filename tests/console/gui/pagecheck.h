// Checks of a page's layout as the form description sets it up: each control's caption or
// text and its group, and controls that neither leave their group nor cover each other.
#pragma once
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <span>

struct ControlText {
    const char* name;
    const char* text;
    const char* group;
};

inline void expectControls(const QWidget* form, std::span<const ControlText> rows) {
    for (const ControlText& r : rows) {
        const QWidget* w = form->findChild<QWidget*>(QString::fromUtf8(r.name));
        ASSERT_NE(w, nullptr) << r.name;
        QString text;
        if (auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
        if (auto* e = qobject_cast<const QLineEdit*>(w)) text = e->text();
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
        EXPECT_EQ(text, QString::fromUtf8(r.text)) << r.name;
        EXPECT_EQ(w->parentWidget()->objectName(), r.group) << r.name;
    }
}

// The group lies inside its parent, its controls inside it, and no two of them meet.
inline void expectInsideAndApart(const QWidget* group) {
    const std::string name = group->objectName().toStdString();
    EXPECT_TRUE(group->parentWidget()->rect().contains(group->geometry())) << name;
    const QList<QWidget*> kids = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < kids.size(); ++i) {
        const std::string a = kids[i]->objectName().toStdString();
        EXPECT_TRUE(group->rect().contains(kids[i]->geometry())) << name << ": " << a;
        for (int j = i + 1; j < kids.size(); ++j)
            EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                << a << " and " << kids[j]->objectName().toStdString();
    }
}
