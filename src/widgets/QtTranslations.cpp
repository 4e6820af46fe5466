#include "widgets/QtTranslations.h"

#include "infra/DiagnosticLog.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

void UseQtTranslations(Language language)
{
    // Owned by the application, so that it goes with it.
    static QPointer<QTranslator> installed;
    delete installed.data();  // a translator removes itself from the application when deleted
    if (language != Language::Korean || !QCoreApplication::instance())
        return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qt_ko loads qtbase_ko and the other modules' files that the system has.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Korean), QStringLiteral("qt"), QStringLiteral("_"), folder)) {
        WriteLog("no Korean translation of Qt in " + folder.toStdString(), "QtTranslations", "UseQtTranslations",
                 kLogType, kLogLevelNormal);
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}
