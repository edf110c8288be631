// The internet map's dialogs: the export dialog with its General, Find and Hotspots pages, and
// the level-map dialog. Thin views over io/ExpKiv.h.
#pragma once

#include "core/LangTexts.h"
#include "io/ExpKiv.h"

#include <QComboBox>
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace zemo {

// A combo box that lists the fields of the dataset chosen beside it as it drops down.
class TFieldCombo : public QComboBox {
public:
    TFieldCombo(QWidget* parent, QComboBox* dataset);
    void showPopup() override;
    // The fields of the chosen dataset, the typed text kept.
    void Fill();

private:
    QComboBox* dataset_;
};

class TExpKivDlg : public QDialog {
public:
    TExpKivDlg(QWidget* parent, KivOptions& options);
    void accept() override;

    QTabWidget* Pages() const { return pages_; }
    int HelpContext() const;

private:
    QWidget* GeneralPage();
    QWidget* DatasetPage(const char* name, TextKey box, QCheckBox*& check, QComboBox*& dataset,
                         TFieldCombo*& field, const char* datasetName, const char* fieldName, TextKey fieldLabel,
                         bool on, const QString& chosen, const QString& chosenField);
    void Collect(KivOptions& o) const;

    KivOptions& options_;
    QTabWidget* pages_;
    QSpinBox* widthB_ = nullptr;
    QSpinBox* heightB_ = nullptr;
    QLineEdit* resolB_ = nullptr;
    QSpinBox* zoomB_ = nullptr;
    QCheckBox* antialiasB_ = nullptr;
    QCheckBox* colorCorB_ = nullptr;
    QCheckBox* zoomOutB_ = nullptr;
    QCheckBox* htmlB_ = nullptr;
    QCheckBox* findBoxB_ = nullptr;
    QComboBox* datasetFindB_ = nullptr;
    TFieldCombo* nameFieldB_ = nullptr;
    QCheckBox* hotspotB_ = nullptr;
    QComboBox* datasetLinkB_ = nullptr;
    TFieldCombo* linkFieldB_ = nullptr;
};

bool ExecExpKivDlg(QWidget* parent, KivOptions& options);

class TKivMapsDlg : public QDialog {
public:
    TKivMapsDlg(QWidget* parent, KivMapsEdit& edit);
    void accept() override;
    // Change... on the current row (a double click on a row does the same).
    void Change(int row);

private:
    void ShowRows();

    KivMapsEdit& edit_;
    KivMapsEdit work_;
    QTableWidget* mapsB_;
};

bool ExecKivMapsDlg(QWidget* parent, KivMapsEdit& edit);

} // namespace zemo
