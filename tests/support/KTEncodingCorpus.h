#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Entry names as the tools that wrote legacy archives stored them: the label
// says who wrote them, encoding is the table id a detector should settle on
// (or one that decodes the names identically), icuName the code page used to
// produce the raw bytes.
struct KTNameSet {
    QString label;
    int encoding;
    QByteArray icuName;
    QStringList names;
};

const std::vector<KTNameSet> &kt_encodingCorpus();

// The script a corpus set's encoding writes, to group figures by.
QString kt_scriptOf(int encoding);

// The raw bytes of a name in a code page; empty when it cannot be encoded.
QByteArray kt_encodeName(const QString &name, const QByteArray &icuName);
