#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

class TBench;

// The fields a bench's acknowledged reply of each code is decoded into, by name, in one table: what
// x714ctl send prints after an ACK and what the console's result pages read.
struct TReplyField {
    enum class Kind {
        Integer,  // a whole number (qint64)
        Real,     // a number shown with `decimals` decimals (double)
        Text,     // an identity string (QString)
        Bytes,    // bytes shown as hex pairs (QByteArray)
        Integers, // a list of whole numbers (QVariantList of qint64)
    };
    std::string_view name;
    Kind kind;
    int decimals;
    QVariant (*get)(const TBench& bench);
};

// The fields of a code's reply in reply order; empty for codes that carry none.
std::span<const TReplyField> ReplyFields(uint8_t code);

// A field's value as the bench holds it now; nullopt for a name the code's reply does not carry.
std::optional<QVariant> ReplyFieldValue(const TBench& bench, uint8_t code, std::string_view name);

// A field's value as text: whole numbers in decimal, reals with the field's decimals and a '.', bytes
// as upper-case hex pairs separated by blanks, lists separated by blanks.
QString ReplyFieldText(const TBench& bench, const TReplyField& field);

// "Field=value" for every field of the code's reply.
QStringList ReplyFieldLines(const TBench& bench, uint8_t code);
