#pragma once
// The fortune a sender may append to a mail: one of twelve fixed texts, drawn at random, under a
// one-line disclaimer that not even the sender knows which one it is.

#include "platform/Seams.h"

#include <QString>
#include <array>

namespace compose {

inline constexpr int FortuneCount = 12;

// The twelve texts, each opening with its grade and a full-width colon. Index 1 to 12; element 0
// is unused and empty, so the numbers read as the table is numbered.
extern const std::array<QString, FortuneCount + 1> FortuneTexts;

// The line placed above the fortune.
extern const QString FortuneDisclaimer;

// A fortune number from 1 to 12, each equally likely, from one value of the random source.
int drawFortune(RandomSource& random);

// What is appended to the body: CR LF, CR LF, the disclaimer, CR LF, CR LF, then the text of
// fortune `number`, with nothing after it.
QString fortuneBlock(int number);

}  // namespace compose
