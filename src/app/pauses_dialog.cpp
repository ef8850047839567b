#include "app/pauses_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QDoubleSpinBox* seconds(double maximum, int milliseconds, const QString& name)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(0, maximum);
    box->setSingleStep(0.5);
    box->setDecimals(1);
    box->setSuffix(u" s"_s);
    box->setValue(milliseconds / 1000.0);
    box->setAccessibleName(name);
    return box;
}

} // namespace

PausesDialog::PausesDialog(int chapterPauseMs, int paragraphPauseMs, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(u"PausesDialog"_s);
    setWindowTitle(u"Pauses"_s);
    chapter_ = seconds(60, chapterPauseMs, u"Pause before each chapter, in seconds"_s);
    longer_ = new QCheckBox(u"&Longer pause after paragraphs"_s);
    longer_->setAccessibleDescription(
        u"Unchecked, headings and paragraphs end with the voice's own short pause"_s);
    longer_->setChecked(paragraphPauseMs >= 0);
    paragraph_ = seconds(10, paragraphPauseMs >= 0 ? paragraphPauseMs : 500,
                         u"Pause after each heading and paragraph, in seconds"_s);
    paragraph_->setEnabled(longer_->isChecked());
    connect(longer_, &QCheckBox::toggled, paragraph_, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    auto* chapterLabel = new QLabel(u"&Before each chapter:"_s);
    chapterLabel->setBuddy(chapter_);
    form->addRow(chapterLabel, chapter_);
    form->addRow(longer_, paragraph_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setTabOrder(chapter_, longer_);
    setTabOrder(longer_, paragraph_);
    setTabOrder(paragraph_, buttons->button(QDialogButtonBox::Ok));
    setTabOrder(buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int PausesDialog::chapterPauseMs() const
{
    return int(std::lround(chapter_->value() * 1000));
}

int PausesDialog::paragraphPauseMs() const
{
    return longer_->isChecked() ? int(std::lround(paragraph_->value() * 1000)) : -1;
}

} // namespace vt
