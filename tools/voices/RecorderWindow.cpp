// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/voices/RecorderWindow.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace mokuri::voices {

namespace {

QString makerText(Maker maker)
{
    switch (maker) {
    case Maker::Person: return QStringLiteral("録音した声");
    case Maker::Deck: return QStringLiteral("デッキの声");
    case Maker::Missing: return QStringLiteral("まだありません");
    }
    return {};
}

QPushButton* button(const QString& text, const char* name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus); // the keys belong to the window
    return b;
}

} // namespace

RecorderWindow::RecorderWindow(VoiceRecorder& recorder, QWidget* parent)
    : QWidget(parent), recorder_(recorder)
{
    setWindowTitle(QStringLiteral("モクリ 声の録音"));
    shelfList_ = new QListWidget;
    shelfList_->setObjectName(QStringLiteral("shelfList"));
    shelfList_->setFocusPolicy(Qt::NoFocus);
    shelfList_->setMinimumWidth(260);
    for (const ShelfSound& s : recorder_.shelf()) shelfList_->addItem(rowText(s));

    letter_ = new QLabel;
    letter_->setObjectName(QStringLiteral("letter"));
    letter_->setAlignment(Qt::AlignCenter);
    QFont big = letter_->font();
    big.setPointSize(72);
    letter_->setFont(big);
    prompt_ = new QLabel;
    prompt_->setAlignment(Qt::AlignCenter);
    meter_ = new QProgressBar;
    meter_->setObjectName(QStringLiteral("meter"));
    meter_->setRange(0, 100);
    meter_->setTextVisible(false);
    doing_ = new QLabel;
    doing_->setObjectName(QStringLiteral("doing"));
    doing_->setAlignment(Qt::AlignCenter);
    doing_->setWordWrap(true);
    QFont medium = doing_->font();
    medium.setPointSize(medium.pointSize() + 4);
    doing_->setFont(medium);
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("message"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setFont(medium);
    message_->setStyleSheet(QStringLiteral("color: #b00000;"));

    recordButton_ = button(QStringLiteral("録音 (スペース)"), "recordButton");
    playButton_ = button(QStringLiteral("聞く (P)"), "playButton");
    keepButton_ = button(QStringLiteral("残して次へ (Enter)"), "keepButton");
    deckButton_ = button(QStringLiteral("デッキの音に戻す (D)"), "deckButton");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {recordButton_, playButton_, keepButton_, deckButton_}) buttons->addWidget(b);
    auto* keys = new QLabel(QStringLiteral(
        "↑↓ 文字をえらぶ　スペース 録音／止める　P 聞く　Enter 残して次へ　Esc やめる"));
    keys->setAlignment(Qt::AlignCenter);

    auto* right = new QVBoxLayout;
    right->addWidget(letter_, 3);
    right->addWidget(prompt_);
    right->addWidget(meter_);
    right->addWidget(doing_, 1);
    right->addWidget(message_, 1);
    right->addLayout(buttons);
    right->addWidget(keys);
    legend_ = new QLabel;
    legend_->setObjectName(QStringLiteral("legend"));
    legend_->setWordWrap(true);
    auto* left = new QVBoxLayout;
    left->addWidget(legend_);
    left->addWidget(shelfList_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(recordButton_, &QPushButton::clicked, this, [this] {
        const auto stage = recorder_.stage();
        if (stage == VoiceRecorder::Stage::Listening || stage == VoiceRecorder::Stage::Speaking)
            recorder_.stopRecording();
        else
            recorder_.record();
    });
    connect(playButton_, &QPushButton::clicked, &recorder_, &VoiceRecorder::playBack);
    connect(keepButton_, &QPushButton::clicked, &recorder_, &VoiceRecorder::keepAndNext);
    connect(deckButton_, &QPushButton::clicked, &recorder_, &VoiceRecorder::restoreEffect);
    connect(shelfList_, &QListWidget::currentRowChanged, &recorder_, &VoiceRecorder::choose);
    connect(&recorder_, &VoiceRecorder::changed, this, &RecorderWindow::draw);
    connect(&recorder_, &VoiceRecorder::level, this, [this](double l) { meter_->setValue(int(l * 100)); });
    resize(900, 560);
    draw();
}

QString RecorderWindow::rowText(const ShelfSound& sound) const
{
    return QStringLiteral("%1%2　%3").arg(sound.wordsNeedIt ? QStringLiteral("● ") : QStringLiteral("　 "),
                                        sound.label, makerText(sound.maker));
}

void RecorderWindow::draw()
{
    const auto& shelf = recorder_.shelf();
    const ShelfSound& sound = shelf[std::size_t(recorder_.current())];
    int recorded = 0;
    for (int i = 0; i < int(shelf.size()); ++i) {
        const ShelfSound& s = shelf[std::size_t(i)];
        QListWidgetItem* item = shelfList_->item(i);
        item->setText(rowText(s));
        item->setForeground(s.maker == Maker::Person    ? QColor(0, 110, 0)
                            : s.maker == Maker::Missing ? QColor(176, 0, 0)
                                                        : palette().color(QPalette::Text));
        recorded += s.maker == Maker::Person ? 1 : 0;
    }
    legend_->setText(QStringLiteral("● 絵のことばに使う文字\n録音した声 %1 / %2").arg(recorded).arg(shelf.size()));
    {
        const QSignalBlocker quiet(shelfList_);
        shelfList_->setCurrentRow(recorder_.current());
    }
    letter_->setText(sound.label);
    prompt_->setText(sound.effect ? QStringLiteral("効果音「%1」").arg(sound.label)
                                  : QStringLiteral("「%1」と言ってください").arg(sound.prompt));
    const auto stage = recorder_.stage();
    QString doing;
    switch (stage) {
    case VoiceRecorder::Stage::Choosing:
        doing = QStringLiteral("スペースを押して、言ってください。今の音: %1").arg(makerText(sound.maker));
        break;
    case VoiceRecorder::Stage::Listening: doing = QStringLiteral("どうぞ、言ってください…"); break;
    case VoiceRecorder::Stage::Speaking: doing = QStringLiteral("録音しています…"); break;
    case VoiceRecorder::Stage::Heard:
        doing = QStringLiteral("Enter で残して次へ。スペースでやり直し、P でもう一度聞く。");
        break;
    case VoiceRecorder::Stage::Saving: doing = QStringLiteral("保存しています…"); break;
    }
    doing_->setText(doing);
    message_->setText(recorder_.message());
    const bool recording = stage == VoiceRecorder::Stage::Listening || stage == VoiceRecorder::Stage::Speaking;
    recordButton_->setText(recording ? QStringLiteral("止める (スペース)") : QStringLiteral("録音 (スペース)"));
    recordButton_->setEnabled(stage != VoiceRecorder::Stage::Saving);
    playButton_->setEnabled(stage == VoiceRecorder::Stage::Heard ||
                            (stage == VoiceRecorder::Stage::Choosing && sound.maker != Maker::Missing));
    keepButton_->setEnabled(stage == VoiceRecorder::Stage::Heard);
    deckButton_->setVisible(sound.effect);
    deckButton_->setEnabled(stage == VoiceRecorder::Stage::Choosing || stage == VoiceRecorder::Stage::Heard);
    shelfList_->setEnabled(!recording && stage != VoiceRecorder::Stage::Saving);
}

void RecorderWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up: recorder_.choose(recorder_.current() - 1); return;
    case Qt::Key_Down: recorder_.choose(recorder_.current() + 1); return;
    case Qt::Key_Space: recordButton_->click(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: recorder_.keepAndNext(); return;
    case Qt::Key_Escape:
        if (recorder_.stage() == VoiceRecorder::Stage::Choosing) close();
        else recorder_.cancel();
        return;
    default: break;
    }
    // P and D by their letter on a Latin layout, by their place (X11 and Wayland key codes,
    // evdev + 8) on one without Latin letters.
    int letter = event->key();
    const QString text = event->text();
    const bool latin = (letter >= Qt::Key_A && letter <= Qt::Key_Z) ||
                       (text.size() == 1 && text[0].isLetter() && text[0].script() == QChar::Script_Latin);
    if (!latin) letter = event->nativeScanCode() == 33 ? Qt::Key_P : event->nativeScanCode() == 40 ? Qt::Key_D : 0;
    if (letter == Qt::Key_P) recorder_.playBack();
    else if (letter == Qt::Key_D) recorder_.restoreEffect();
    else QWidget::keyPressEvent(event);
}

} // namespace mokuri::voices
