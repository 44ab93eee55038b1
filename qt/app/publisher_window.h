// clipferry-publisher's window: says what it is for, takes videos dropped on
// it or chosen, and opens the publishing dialog for each in turn.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <clipferry-qt/PublishDialog.h>
#include <clipferry-qt/Uploader.h>

class QLabel;

class PublisherWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PublisherWindow(QWidget* parent = nullptr);
    // The dialogs go first: they use the window's uploader until they end.
    ~PublisherWindow() override;

    // Opens the dialog for each file, one after the other, after those still
    // waiting; a file given while a dialog is open waits for it to close.
    void publish(const QStringList& files);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void openNext();
    void showWaiting();

    // One uploader for the window: a login made for one file holds for the next.
    Clipferry::Uploader uploader_;
    QPointer<Clipferry::PublishDialog> dialog_;
    QStringList waiting_;
    int opened_ = 0;  // dialogs opened in the current run of files
    QLabel* status_;
};
