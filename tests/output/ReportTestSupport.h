#pragma once

// What the report tests share: message boxes that record their texts instead of showing them.

#include "widgets/MessageBoxes.h"

#include <QString>

#include <vector>

class ReportBoxRecorder final : public IMessageBoxes {
public:
    QMessageBox::StandardButton Show(QWidget*, const QString&, const QString& text, QMessageBox::StandardButtons) override
    {
        texts.push_back(text);
        return QMessageBox::Ok;
    }
    void OpenFolder(const QString&) override {}
    std::vector<QString> texts;
};
