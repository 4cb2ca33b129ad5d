#include "reply_fields.h"

#include "bench.h"
#include "bench_tables.h"

namespace {
using Kind = TReplyField::Kind;

QByteArray bytes(const uint8_t* data, int count) {
    return QByteArray(reinterpret_cast<const char*>(data), count);
}

template <std::size_t N> QVariant integers(const std::array<int16_t, N>& values) {
    QVariantList list;
    for (int16_t v : values)
        list << QVariant(qint64(v));
    return list;
}

QVariant integer(qint64 v) {
    return QVariant(v);
}

QVariant real(double v) {
    return QVariant(v);
}

// The blocks several replies share.
#define X714_STATUS_FIELDS(count)                                                                            \
    {"Status", Kind::Bytes, 0, [](const TBench& b) { return QVariant(bytes(b.Status.data(), count)); }},     \
        {"ProcessInProgress", Kind::Integer, 0,                                                              \
         [](const TBench& b) { return integer(b.ProcessInProgress); }},                                      \
    {                                                                                                        \
        "ZeroRequired", Kind::Integer, 0, [](const TBench& b) { return integer(b.ZeroRequired); }            \
    }
#define X714_GAS_FIELDS                                                                                      \
    {"Co2", Kind::Integer, 0, [](const TBench& b) { return integer(b.Co2); }},                               \
        {"Co", Kind::Integer, 0, [](const TBench& b) { return integer(b.Co); }},                             \
        {"Hc", Kind::Integer, 0, [](const TBench& b) { return integer(b.Hc); }},                             \
        {"O2", Kind::Integer, 0, [](const TBench& b) { return integer(b.O2); }}, {                           \
        "NO", Kind::Integer, 0, [](const TBench& b) { return integer(b.NO); }                                \
    }
#define X714_ID_FIELD(member)                                                                                \
    {                                                                                                        \
#member, Kind::Text, 0, [](const TBench& b) { return QVariant(b.SystemId.member); }                  \
    }
#define X714_SYSTEM_ID_SIX                                                                                   \
    X714_ID_FIELD(SerialNumber), X714_ID_FIELD(ModelNumber), X714_ID_FIELD(HwPartNumber),                    \
        X714_ID_FIELD(HwRevision), X714_ID_FIELD(SwPartNumber), X714_ID_FIELD(SwRevision)

constexpr TReplyField DataStatus[] = {X714_STATUS_FIELDS(4), X714_GAS_FIELDS};

constexpr TReplyField EngineeringData[] = {
    {"GagePressure", Kind::Real, 0, [](const TBench& b) { return real(b.GagePressure); }},
    {"AbsPressure", Kind::Real, 0, [](const TBench& b) { return real(b.AbsPressure); }},
    {"DetSrcTemp", Kind::Real, 0, [](const TBench& b) { return real(b.DetSrcTemp); }},
    {"DetCelTemp", Kind::Real, 0, [](const TBench& b) { return real(b.DetCelTemp); }},
    {"MaxAdc", Kind::Integers, 0, [](const TBench& b) { return integers(b.MaxAdc); }},
    {"AmbPressure", Kind::Real, 0, [](const TBench& b) { return real(b.AmbPressure); }},
    {"DemodCo2", Kind::Integer, 0, [](const TBench& b) { return integer(b.DemodCo2); }},
    {"DemodCo", Kind::Integer, 0, [](const TBench& b) { return integer(b.DemodCo); }},
    {"DemodHc", Kind::Integer, 0, [](const TBench& b) { return integer(b.DemodHc); }},
    {"DemodRef", Kind::Integer, 0, [](const TBench& b) { return integer(b.DemodRef); }},
    {"MinAdc", Kind::Integers, 0, [](const TBench& b) { return integers(b.MinAdc); }},
    {"RawO2", Kind::Integer, 0, [](const TBench& b) { return integer(b.RawO2); }},
    {"RawNO", Kind::Integer, 0, [](const TBench& b) { return integer(b.RawNO); }},
    {"DetEthanolTemp", Kind::Integer, 0, [](const TBench& b) { return integer(b.DetEthanolTemp); }},
    X714_GAS_FIELDS,
    X714_STATUS_FIELDS(16),
};

constexpr TReplyField SystemId[] = {X714_SYSTEM_ID_SIX};
constexpr TReplyField EngineeringSystemId[] = {
    X714_SYSTEM_ID_SIX,
    X714_ID_FIELD(CalPartNumber),
    X714_ID_FIELD(CalRevision),
    X714_ID_FIELD(CalCalcPartNumber),
    X714_ID_FIELD(CalCalcRevision),
};

constexpr TReplyField MiscellaneousData[] = {
    {"AmbientTemp", Kind::Real, 1, [](const TBench& b) { return real(b.AmbientTemp); }},
    {"Pef", Kind::Real, 3, [](const TBench& b) { return real(b.Pef); }},
    {"AdcA", Kind::Integer, 0, [](const TBench& b) { return integer(b.AdcA); }},
    {"AdcB", Kind::Integer, 0, [](const TBench& b) { return integer(b.AdcB); }},
    {"PulsesPerMinute", Kind::Integer, 0, [](const TBench& b) { return integer(b.PulsesPerMinute); }},
};

constexpr TReplyField Pump[] = {
    {"PumpState", Kind::Integer, 0, [](const TBench& b) { return integer(b.PumpState); }}};
constexpr TReplyField DeviceControl[] = {
    {"DeviceControlState", Kind::Integer, 0, [](const TBench& b) { return integer(b.DeviceControlState); }}};
constexpr TReplyField RawO2No[] = {
    {"RawO2", Kind::Integer, 0, [](const TBench& b) { return integer(b.RawO2); }},
    {"RawNO", Kind::Integer, 0, [](const TBench& b) { return integer(b.RawNO); }},
};
constexpr TReplyField GasSwitch[] = {
    {"ChannelSwitch", Kind::Integer, 0, [](const TBench& b) { return integer(b.ChannelSwitch); }}};
constexpr TReplyField UserMemory[] = {
    {"UserMemory", Kind::Bytes, 0,
     [](const TBench& b) { return QVariant(bytes(b.UserMemory.data(), int(b.UserMemory.size()))); }}};
constexpr TReplyField PressureData[] = {
    {"GagePressure", Kind::Real, 0, [](const TBench& b) { return real(b.GagePressure); }},
    {"AbsPressure", Kind::Real, 0, [](const TBench& b) { return real(b.AbsPressure); }},
    {"AmbPressure", Kind::Real, 0, [](const TBench& b) { return real(b.AmbPressure); }},
};
constexpr TReplyField Standby[] = {
    {"StandbyState", Kind::Integer, 0, [](const TBench& b) { return integer(b.StandbyState); }}};
constexpr TReplyField SwChecksum[] = {
    {"SwChecksum", Kind::Bytes, 0,
     [](const TBench& b) { return QVariant(bytes(b.SwChecksum.data(), int(b.SwChecksum.size()))); }}};
constexpr TReplyField Filter[] = {
    {"FilterState", Kind::Integer, 0, [](const TBench& b) { return integer(b.FilterState); }}};
constexpr TReplyField Demodulation[] = {
    {"DemodState", Kind::Integer, 0, [](const TBench& b) { return integer(b.DemodState); }}};
constexpr TReplyField CommandSet[] = {
    {"CommandSet", Kind::Bytes, 0,
     [](const TBench& b) { return QVariant(bytes(b.CommandSet.data(), int(b.CommandSet.size()))); }}};
constexpr TReplyField Mode[] = {
    {"ReportedMode", Kind::Integer, 0, [](const TBench& b) { return integer(b.ReportedMode); }}};

#undef X714_STATUS_FIELDS
#undef X714_GAS_FIELDS
#undef X714_ID_FIELD
#undef X714_SYSTEM_ID_SIX

struct TReplyLayout {
    uint8_t code;
    std::span<const TReplyField> fields;
};

constexpr TReplyLayout Layouts[] = {
    {0x01, DataStatus},    {0x04, SystemId},     {0x05, MiscellaneousData},   {0x07, Pump},
    {0x08, DeviceControl}, {0x12, RawO2No},      {0x13, GasSwitch},           {0x14, UserMemory},
    {0x16, PressureData},  {0x17, Standby},      {0x18, SwChecksum},          {0x44, EngineeringData},
    {0x45, Filter},        {0x46, Demodulation}, {0x51, EngineeringSystemId}, {0x52, Pump},
    {0xD4, CommandSet},    {0xF1, Mode},
};
} // namespace

std::span<const TReplyField> ReplyFields(uint8_t code) {
    for (const TReplyLayout& l : Layouts)
        if (l.code == code) return l.fields;
    return {};
}

std::optional<QVariant> ReplyFieldValue(const TBench& bench, uint8_t code, std::string_view name) {
    for (const TReplyField& f : ReplyFields(code))
        if (f.name == name) return f.get(bench);
    return std::nullopt;
}

QString ReplyFieldText(const TBench& bench, const TReplyField& field) {
    const QVariant v = field.get(bench);
    switch (field.kind) {
    case Kind::Integer:
        return QString::number(v.toLongLong());
    case Kind::Real:
        return QString::number(v.toDouble(), 'f', field.decimals);
    case Kind::Text:
        return v.toString();
    case Kind::Bytes: {
        QStringList parts;
        for (char c : v.toByteArray())
            parts << Hex2(uint8_t(c));
        return parts.join(QLatin1Char(' '));
    }
    case Kind::Integers: {
        QStringList parts;
        for (const QVariant& item : v.toList())
            parts << QString::number(item.toLongLong());
        return parts.join(QLatin1Char(' '));
    }
    }
    return {};
}

QStringList ReplyFieldLines(const TBench& bench, uint8_t code) {
    QStringList lines;
    for (const TReplyField& f : ReplyFields(code))
        lines << QString::fromLatin1(f.name.data(), qsizetype(f.name.size())) + QLatin1Char('=') +
                     ReplyFieldText(bench, f);
    return lines;
}
