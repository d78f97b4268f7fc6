#include "network_ports.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

#include "network_port.h"
#include "store.h"

namespace prefs {
namespace {

const QString kGroup = QStringLiteral("NetworkPorts");

bool IsAddress(const QString& address) {
  return ParseNetworkAddress(address.toStdString()).has_value();
}

// The keys of the group as they are in the store, numbers first in their order.
QStringList StoredKeys(QSettings& store) {
  store.beginGroup(kGroup);
  QStringList keys = store.childKeys();
  store.endGroup();
  std::stable_sort(keys.begin(), keys.end(), [](const QString& first, const QString& second) {
    return first.toInt() < second.toInt();
  });
  return keys;
}

// Writes the whole list; the caller holds the store's lock.
bool WriteList(const QStringList& addresses) {
  Store store;
  std::vector<QByteArray> names;
  std::vector<QVariant> values;
  for (qsizetype index = 0; index < addresses.size(); ++index) {
    names.push_back((kGroup + '/' + QString::number(index + 1)).toUtf8());
    values.emplace_back(addresses.at(index));
  }
  // Keys of a longer list stored before are removed.
  for (const QString& key : StoredKeys(store)) {
    const QByteArray name = (kGroup + '/' + key).toUtf8();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      names.push_back(name);
      values.emplace_back();
    }
  }
  std::vector<NamedValue> named;
  for (std::size_t index = 0; index < names.size(); ++index) {
    named.emplace_back(names[index].constData(), values[index]);
  }
  return WriteValues(named);
}

}  // namespace

QStringList NetworkPorts() {
  Store store;
  QStringList addresses;
  for (const QString& key : StoredKeys(store)) {
    const QVariant value = store.value(kGroup + '/' + key);
    if (value.typeId() != QMetaType::QString) continue;
    const QString address = value.toString().trimmed();
    if (IsAddress(address) && !addresses.contains(address)) addresses << address;
  }
  return addresses;
}

bool SaveNetworkPorts(const QStringList& addresses) {
  const StoreLock lock;
  return lock.Held() && WriteList(addresses);
}

// Each change reads the list and writes it back under the store's lock: another window's change
// in between would be lost otherwise.
bool AddNetworkPort(const QString& address) {
  if (!IsAddress(address)) return false;
  const StoreLock lock;
  if (!lock.Held()) return false;
  QStringList addresses = NetworkPorts();
  if (addresses.contains(address)) return true;
  addresses << address;
  return WriteList(addresses);
}

bool RemoveNetworkPort(const QString& address) {
  const StoreLock lock;
  if (!lock.Held()) return false;
  QStringList addresses = NetworkPorts();
  addresses.removeAll(address);
  return WriteList(addresses);
}

}  // namespace prefs
