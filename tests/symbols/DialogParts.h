// The parts of a dialog by their object names, for tests that work its widgets.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

namespace zemo::test {

inline QLineEdit* Edit(QWidget& d, const char* name)
{
    auto* e = d.findChild<QLineEdit*>(QString::fromLatin1(name));
    EXPECT_NE(e, nullptr) << name;
    return e;
}

inline QPushButton* Button(QWidget& d, const char* name)
{
    auto* b = d.findChild<QPushButton*>(QString::fromLatin1(name));
    EXPECT_NE(b, nullptr) << name;
    return b;
}

} // namespace zemo::test
