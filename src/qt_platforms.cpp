// SPDX-License-Identifier: Apache-2.0
// Which platforms (window systems) Qt can open windows on: those of its platform plug-ins.
#include "qt_platforms.hpp"

#include <QDir>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QPluginLoader>

#include "environment.hpp"

std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders) {
  std::set<std::string> platforms;
  for (const std::string& folder : folders) {
    const QDir dir(QString::fromStdString(folder));
    for (const QString& file : dir.entryList(QDir::Files)) {
      const QJsonObject metadata = QPluginLoader(dir.filePath(file)).metaData();
      if (!metadata.value("IID").toString().startsWith(
              "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface")) {
        continue;
      }
      for (const QJsonValue key : metadata.value("MetaData").toObject().value("Keys").toArray()) {
        platforms.insert(key.toString().toStdString());  // lower-case, as Qt's keys are
      }
    }
  }
  return platforms;
}

std::vector<std::string> qt_platform_folders() {
  std::vector<std::string> folders;
  if (is_set("QT_QPA_PLATFORM_PLUGIN_PATH")) {
    folders.push_back(value_of("QT_QPA_PLATFORM_PLUGIN_PATH"));
  }
  for (const std::string& path : split(value_of("QT_PLUGIN_PATH"), ':')) {
    if (!path.empty()) {
      folders.push_back(path + "/platforms");
    }
  }
  folders.push_back(QLibraryInfo::location(QLibraryInfo::PluginsPath).toStdString() + "/platforms");
  return folders;
}
