#pragma once

#include "historia/historystore.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
class QTextEdit;

// "Historia strony": the checks of one page with their verdicts, newest
// first; for the chosen check the notices it brought (bold, on top), the
// lines its version added (green)
// and removed (red), then those that only counted on (grey, "licznik");
// the stored version opened as it was received; the documents its new
// lines linked to ("Dokumenty podlinkowane"), each stored copy opened as it
// was received; and the page's "ignoruj wiersze zawierające" texts.
class HistoryWindow : public QDialog
{
    Q_OBJECT

public:
    HistoryWindow(const QString& dataDirectory, const QString& page, const QString& gmina,
                  QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Row 0 is the newest check.
    void selectCheck(int row);
    // The check with this id in the history (wersje.id); false when the
    // page has no such check (it was dropped meanwhile).
    bool selectCheckWithId(qint64 checkId);
    int selectedCheck() const;
    void PokazWersjeClick();
    // The documents of the chosen check, in the order they were fetched.
    void selectDocument(int row);
    int documentCount() const;
    void OtworzDokumentClick();
    void DodajRegueClick();
    void UsunReguleClick();

private:
    void loadChecks();
    void loadRules();
    void showDetails();
    void loadDocuments(qint64 checkId);
    void documentChosen();
    bool writeTemporary(const QString& name, const QByteArray& bytes, QString* path);

    QString m_page;
    std::unique_ptr<historia::HistoryStore> m_store;
    QList<historia::StoredCheck> m_checks; // newest first
    std::unique_ptr<QTemporaryDir> m_versions;
    QLabel* m_status = nullptr;
    QTableWidget* m_list = nullptr;
    QTextEdit* m_details = nullptr;
    QPushButton* m_show = nullptr;
    QList<historia::StoredDocument> m_documents;
    QTableWidget* m_documentList = nullptr;
    QPushButton* m_openDocument = nullptr;
    QListWidget* m_rules = nullptr;
    QLineEdit* m_ruleText = nullptr;
};
