#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <optional>

#include "column_combo_box.h"
#include "titled_group_box.h"

namespace {

// A box with a title and a label inside, in the label's own font if it is given one.
QImage Rendered(QGroupBox& box, const std::optional<QFont>& labelFont = std::nullopt) {
  box.setTitle(QStringLiteral("Communication Settings"));
  auto* layout = new QVBoxLayout(&box);
  auto* label = new QLabel(QStringLiteral("Baud rate:"));
  if (labelFont) label->setFont(*labelFont);
  layout->addWidget(label);
  box.resize(200, 80);
  return box.grab().toImage();
}

// The window's groups used to be bold boxes whose every control was set plain again.
TEST(TitledGroupBox, LooksLikeABoldBoxWhoseControlsArePlain) {
  QGroupBox bold;
  QFont font = bold.font();
  font.setBold(true);
  bold.setFont(font);
  QFont plain = font;
  plain.setBold(false);
  const QImage expected = Rendered(bold, plain);

  TitledGroupBox titled;
  EXPECT_TRUE(Rendered(titled) == expected);
  // A box drawn in its own font would not pass.
  QGroupBox plainBox;
  EXPECT_FALSE(Rendered(plainBox) == expected);
}

// The window's geometry rests on these hints: a list that leaves its entries out must be sized
// exactly as Qt sizes one under that policy, whatever its entries and font.
TEST(ColumnComboBox, IsSizedAsAListThatLeavesItsEntriesOutAndBuildsNoDropDown) {
  const QStringList entries{QStringLiteral("1"),
                            QStringLiteral("PC866 Cyrillic #2 (кирилица) — a long entry")};
  for (const int pointSize : {7, 9, 16}) {
    // The lists take the font from their parent, as in the window: a font of their own would
    // build the drop-down too.
    QWidget parent;
    QFont font;
    font.setPointSize(pointSize);
    parent.setFont(font);
    ColumnComboBox column(&parent);
    QComboBox policy(&parent);
    for (QComboBox* list : {static_cast<QComboBox*>(&column), &policy}) {
      list->addItems(entries);
    }
    policy.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    EXPECT_EQ(column.sizeHint(), policy.sizeHint()) << pointSize << " pt";
    EXPECT_EQ(column.minimumSizeHint(), policy.minimumSizeHint()) << pointSize << " pt";
    // The drop-down is a frame the list owns once it is built.
    EXPECT_TRUE(column.findChildren<QFrame*>().isEmpty());
    EXPECT_FALSE(policy.findChildren<QFrame*>().isEmpty());
  }
}

}  // namespace
