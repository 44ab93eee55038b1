// The dialog's four pages: widgets only, laid out for any style and scale;
// PublishDialog wires them to the uploader.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

namespace Clipferry::detail {

// A reason beside a field: hidden while there is none.
QLabel* reasonLabel(const QString& objectName, QWidget* parent);
void showReason(QLabel* label, const QString& reason);

// A file's name, cut in the middle when the room is short; its whole path
// in the tooltip.
class ElidedPath : public QLabel {
    Q_OBJECT
public:
    explicit ElidedPath(QWidget* parent = nullptr);
    void setPath(const QString& path);
    QString path() const { return path_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

signals:
    void pathChanged(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString path_;
};

// A page of the dialog's QStackedWidget, which sizes itself by every page
// it holds: a page that is not shown asks for no room, so the dialog takes
// the size of the page shown, not of the largest.
class Page : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Wide enough for a sentence on a line, so that wrapped text reads as text.
    QSize sizeHint() const override {
        return isHidden() ? QSize(0, 0) : QWidget::sizeHint().expandedTo({fontMetrics().averageCharWidth() * 60, 0});
    }
    QSize minimumSizeHint() const override { return isHidden() ? QSize(0, 0) : QWidget::minimumSizeHint(); }
    int heightForWidth(int width) const override { return isHidden() ? 0 : QWidget::heightForWidth(width); }
};

class LoginPage : public Page {
    Q_OBJECT
public:
    explicit LoginPage(QWidget* parent = nullptr);
    void setBusy(bool busy);

    // Shown when several logins are remembered: which one to use is asked.
    QLabel* rememberedLabel;
    QComboBox* rememberedUser;
    QLineEdit* user;
    QLineEdit* password;
    QCheckBox* remember;
    QLabel* reason;
    QPushButton* logIn;
};

class FormPage : public Page {
    Q_OBJECT
public:
    explicit FormPage(QWidget* parent = nullptr);

    QLabel* loggedInAs;
    QPushButton* logOut;
    ElidedPath* file;
    QPushButton* chooseFile;
    QLabel* fileReason;
    QLineEdit* title;
    QLabel* titleReason;
    QPlainTextEdit* description;
    QLabel* descriptionReason;
    QLineEdit* tags;
    QLabel* tagsReason;
    QTreeWidget* categories;
    QLabel* categoriesReason;
    QComboBox* moderator;
    QLabel* moderatorNote;
    QLabel* status;  // the lists loading, or why they could not be
    QLabel* keyringNote;  // why the login could not be remembered
    QPushButton* reload;
    QPushButton* publish;
};

class SendingPage : public Page {
    Q_OBJECT
public:
    explicit SendingPage(QWidget* parent = nullptr);

    QLabel* heading;
    QProgressBar* bar;
    QLabel* details;  // size, speed, time left
    QPushButton* cancel;
};

class VerdictPage : public Page {
    Q_OBJECT
public:
    explicit VerdictPage(QWidget* parent = nullptr);

    QLabel* headline;
    QLabel* explanation;
    QLabel* message;  // the service's own words, shown as plain text
    QPushButton* back;
    QPushButton* close;
};

}  // namespace Clipferry::detail
