// Qt's own texts follow the interface's language: the standard buttons of a message box are Korean in the
// Korean interface and English again in the English one.
#include "widgets/QtTranslations.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace {

bool HasHangul(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3; });
}

QString ButtonText(QMessageBox::StandardButton which)
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    return box.button(which)->text();
}

TEST(QtTranslations, StandardButtonsSpeakTheInterfacesLanguage)
{
    UseQtTranslations(Language::Korean);
    for (QMessageBox::StandardButton which : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No})
        EXPECT_TRUE(HasHangul(ButtonText(which))) << ButtonText(which).toStdString();
    UseQtTranslations(Language::English);
    EXPECT_EQ(ButtonText(QMessageBox::Cancel).remove('&'), "Cancel");
    EXPECT_FALSE(HasHangul(ButtonText(QMessageBox::Ok)));
}

}  // namespace
