#pragma once

#include <QByteArray>

#include <vector>

// The encoding judged most likely for a set of raw entry names, with a
// confidence from 0 to 1. encoding 0 means no judgement.
struct KTDetectedEncoding {
    int encoding = 0;
    float confidence = 0.0f;
};

// Detects the one encoding shared by all raw (undecided) entry names of an
// archive. Names are judged together; fewer than three letters in the
// script are too little text for a confident answer.
class KTEncodingDetector
{
public:
    static KTDetectedEncoding detect(const std::vector<QByteArray> &rawNames);
};
