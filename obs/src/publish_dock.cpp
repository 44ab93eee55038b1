// The dock's widgets, built once; every change is a call from the host.
#include "publish_dock.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "obs_texts.h"

namespace ClipferryObs {

PublishDock::PublishDock(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ClipferryPublishDock"));
    setMinimumSize(280, 150);  // a floating dock keeps the size it was made with
    words_ = new QLabel(text("Dock.Idle"), this);
    words_->setObjectName(QStringLiteral("ClipferryDockWords"));
    words_->setWordWrap(true);
    words_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar_ = new QProgressBar(this);
    bar_->hide();
    cancel_ = new QPushButton(text("Dock.Cancel"), this);
    cancel_->hide();
    offerRow_ = new QWidget(this);
    offerWords_ = new QLabel(offerRow_);
    offerWords_->setWordWrap(true);
    auto* publish = new QPushButton(text("Dock.OfferPublish"), offerRow_);
    publish->setObjectName(QStringLiteral("ClipferryOfferPublish"));
    auto* dismiss = new QPushButton(text("Dock.OfferDismiss"), offerRow_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(publish);
    buttons->addWidget(dismiss);
    buttons->addStretch();
    auto* offerLayout = new QVBoxLayout(offerRow_);
    offerLayout->setContentsMargins(0, 0, 0, 0);
    offerLayout->addWidget(offerWords_);
    offerLayout->addLayout(buttons);
    offerRow_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(words_);
    layout->addWidget(bar_);
    auto* cancelRow = new QHBoxLayout;
    cancelRow->addStretch();
    cancelRow->addWidget(cancel_);
    layout->addLayout(cancelRow);
    layout->addWidget(offerRow_);
    layout->addStretch();

    connect(cancel_, &QPushButton::clicked, this, [this] { cancel(); });
    connect(publish, &QPushButton::clicked, this, [this] { takeOffer(); });
    connect(dismiss, &QPushButton::clicked, this, [this] {
        offerRow_->hide();
        emit changed();
    });
}

void PublishDock::takeOffer() {
    if (offerRow_->isHidden()) return;
    offerRow_->hide();
    emit changed();
    emit publishClicked(offered_);
}

void PublishDock::cancel() {
    if (cancel_->isHidden() || !cancel_->isEnabled()) return;
    cancel_->setEnabled(false);  // once: the outcome follows
    emit cancelClicked();
}

QString PublishDock::words() const { return words_->text(); }

QString PublishDock::offered() const { return offerRow_->isHidden() ? QString() : offered_; }

void PublishDock::showWorking(const QString& words, bool cancellable) {
    words_->setText(words);
    bar_->setRange(0, 0);
    bar_->show();
    cancel_->setEnabled(true);
    cancel_->setVisible(cancellable);
    emit changed();
    emit workStarted();
}

void PublishDock::showProgress(qint64 sent, qint64 total) {
    if (total <= 0) return;
    // In percent, so that sizes beyond int's range fit the bar and the dock
    // is painted a hundred times per upload at most.
    const int percent = static_cast<int>(sent * 100 / total);
    if (bar_->maximum() != 100) bar_->setRange(0, 100);
    if (bar_->value() != percent) bar_->setValue(percent);
    bar_->show();
}

void PublishDock::showOutcome(const QString& words) {
    words_->setText(words);
    bar_->hide();
    cancel_->hide();
    emit changed();
}

void PublishDock::offer(const QString& path) {
    offered_ = path;
    offerWords_->setText(text("Dock.Offer").arg(QFileInfo(path).fileName()));
    offerRow_->show();
    words_->clear();
    emit changed();
}

}  // namespace ClipferryObs
