#include "network_port_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "port_list.h"

namespace {

struct DialogTexts {
  const char* title;
  const char* address;
  const char* protocol;
  const char* rawTcp;
  const char* hint;
};

constexpr DialogTexts kBulgarian = {
    "Мрежов порт",
    "&Адрес:",
    "&Протокол:",
    "чист TCP (скоростта е на сървъра)",
    "Хост и порт (shop12.lan:7000) или цял адрес (rfc2217://shop12.lan:7000). Изберете порта в "
    "списъка и натиснете Delete, за да го премахнете.",
};

constexpr DialogTexts kEnglish = {
    "Network port",
    "&Address:",
    "&Protocol:",
    "raw TCP (the server sets the rate)",
    "Host and port (shop12.lan:7000) or a whole address (rfc2217://shop12.lan:7000). Select the "
    "port in the list and press Delete to remove it.",
};

}  // namespace

QString AskForNetworkPort(QWidget* parent, InterfaceLanguage language) {
  const DialogTexts& texts = language == InterfaceLanguage::Bulgarian ? kBulgarian : kEnglish;
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromUtf8(texts.title));
  auto* address = new QLineEdit(&dialog);
  address->setPlaceholderText(QStringLiteral("shop12.lan:7000"));
  auto* protocol = new QComboBox(&dialog);
  protocol->addItems({QStringLiteral("RFC 2217"), QString::fromUtf8(texts.rawTcp)});
  auto* hint = new QLabel(QString::fromUtf8(texts.hint), &dialog);
  hint->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  auto* form = new QFormLayout(&dialog);
  form->addRow(QString::fromUtf8(texts.address), address);
  form->addRow(QString::fromUtf8(texts.protocol), protocol);
  form->addRow(hint);
  form->addRow(buttons);
  const auto typed = [&] {
    return ports::NetworkPortFromInput(address->text(), protocol->currentIndex() == 0);
  };
  // OK only once the text makes an address.
  const auto check = [&] { buttons->button(QDialogButtonBox::Ok)->setEnabled(!typed().isEmpty()); };
  QObject::connect(address, &QLineEdit::textChanged, &dialog, check);
  QObject::connect(protocol, &QComboBox::currentIndexChanged, &dialog, check);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  check();
  return dialog.exec() == QDialog::Accepted ? typed() : QString();
}
