#include "platform/foundation/PropertyList.h"

#include "platform/foundation/DevicePaths.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Utf8.h"
#include "platform/foundation/internal/BinaryPlistRepair.h"
#include "platform/foundation/internal/PlistMemo.h"
#include "platform/foundation/internal/PlistShapeCheck.h"
#include "platform/foundation/internal/ValidText.h"

#include <plist/plist.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <sys/stat.h>

namespace platform {

namespace {

// Property-list dates count from 2001-01-01 00:00:00 UTC.
constexpr int64_t kReferenceDateUnixSeconds = 978307200;
constexpr int64_t kMicrosPerSecond = 1000000;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

void setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

// The library keeps a date's second in 32 bits: dates are held within the
// seconds it can give back (late 1932 to early 2069), on reading as on writing,
// so what is read from any file writes out and reads back the same.
constexpr int64_t kEarliestMicros = int64_t(std::numeric_limits<int32_t>::min()) * kMicrosPerSecond;
constexpr int64_t kLatestMicros = int64_t(std::numeric_limits<int32_t>::max()) * kMicrosPerSecond;

// The split the library's constructor adds back up: a second and the
// microseconds from it towards the date, both of the date's sign.
std::pair<int32_t, int32_t> splitFromReference(int64_t micros)
{
    micros = std::clamp(micros, kEarliestMicros, kLatestMicros);
    return {static_cast<int32_t>(micros / kMicrosPerSecond), static_cast<int32_t>(micros % kMicrosPerSecond)};
}

bool storesMicros(plist_t node, int64_t micros)
{
    auto [sec, usec] = splitFromReference(micros);
    PlistPtr candidate(plist_new_date(sec, usec));
    return plist_compare_node_value(node, candidate.get());
}

Date dateFromPlist(plist_t node)
{
    int32_t sec = 0, usec = 0;
    plist_get_date_val(node, &sec, &usec);
    // The library gives a whole second cut towards zero and the fraction's
    // magnitude, itself cut: far from 2001 the last microsecond of a stored
    // date is often lost, and a date in the second before 2001 reads as one
    // after it. The candidates are told apart by building each as a date
    // (as this file's writer did) and comparing the stored values exactly;
    // a date no candidate matches (written elsewhere) keeps the cut reading.
    const int64_t whole = int64_t(sec) * kMicrosPerSecond;
    const int64_t cut = sec < 0 ? whole - usec : whole + usec;
    const int64_t away = sec < 0 ? -1 : 1;
    int64_t micros = cut;
    for (int64_t candidate : {cut, cut + away, whole - usec, whole - usec - 1}) {
        if (storesMicros(node, candidate)) {
            micros = candidate;
            break;
        }
    }
    micros = std::clamp(micros, kEarliestMicros, kLatestMicros);
    return Date::fromMicros(kReferenceDateUnixSeconds * kMicrosPerSecond + micros);
}

// XML keeps whole seconds only, and the library's XML writer would cut a date
// before the reference date towards it (a later second); whole seconds are
// taken here, always the second the date falls in.
plist_t dateToPlist(Date date, bool wholeSeconds)
{
    int64_t micros = date.micros() - kReferenceDateUnixSeconds * kMicrosPerSecond;
    if (wholeSeconds) {
        int64_t remainder = micros % kMicrosPerSecond;
        micros -= remainder < 0 ? remainder + kMicrosPerSecond : remainder;
    }
    auto [sec, usec] = splitFromReference(micros);
    return plist_new_date(sec, usec);
}

// Texts are mended on the way in and out (see ValidText.h) and counted, for
// the one log line a read or a write gives about them.
std::string mendedText(std::string text, size_t& mended)
{
    if (internal::repairText(text) > 0)
        ++mended;
    return text;
}

// Converts the parser's tree. Depth is bounded by the shape check, so plain
// recursion is safe here. Containers are walked with the parser's iterators:
// fetching an item by index walks the list from its start on every call in a
// parsed binary document, which made long lists quadratic.
Value fromPlist(plist_t node, size_t& mended)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        // Signed integers are kept as their two's-complement bit pattern.
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return Value(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return Value(mendedText(text ? std::string(text, length) : std::string(), mended));
    }
    case PLIST_DATE:
        return Value(dateFromPlist(node));
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        const uint8_t* begin = reinterpret_cast<const uint8_t*>(bytes);
        return Value(bytes ? Data(begin, begin + length) : Data());
    }
    case PLIST_ARRAY: {
        Array array;
        array.reserve(plist_array_get_size(node));
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        for (;;) {
            plist_t child = nullptr;
            plist_array_next_item(node, iter, &child);
            if (!child)
                break;
            Value item = fromPlist(child, mended);
            if (!item.isNone())
                array.push_back(std::move(item));
        }
        std::free(iter);
        return Value(std::move(array));
    }
    case PLIST_DICT: {
        Dict dict;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            // No key holds NUL here (binary texts are mended before parsing,
            // and the XML reader refuses a NUL reference), so the key getter's
            // assertion that a key is as long as its C string holds.
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            Value value = fromPlist(item, mended);
            if (key && !value.isNone())
                dict.insert_or_assign(mendedText(key, mended), std::move(value));
            std::free(key);
        }
        std::free(iter);
        return Value(std::move(dict));
    }
    default:
        // Keyed-archive references and unknown nodes carry nothing we store.
        return Value();
    }
}

// An XML document cannot hold a NUL character, but the parser takes a raw NUL
// byte for the end of the text it is in; it is read as U+FFFD instead.
std::string withNulBytesReplaced(const std::string& bytes, size_t& count)
{
    std::string out;
    out.reserve(bytes.size() + 16);
    for (char c : bytes) {
        if (c == '\0') {
            out += utf8::kReplacementCharacter;
            ++count;
        } else {
            out += c;
        }
    }
    return out;
}

bool depthWithin(const Value& value, int remaining)
{
    if (remaining <= 0)
        return false;
    if (const Array* array = value.array()) {
        for (const Value& item : *array)
            if (!depthWithin(item, remaining - 1))
                return false;
    } else if (const Dict* dict = value.dict()) {
        for (const auto& [key, item] : *dict)
            if (!depthWithin(item, remaining - 1))
                return false;
    }
    return true;
}

// nullptr for values that cannot be written (None, runtime objects).
plist_t toPlist(const Value& value, bool binary, size_t& mended)
{
    switch (value.type()) {
    case Value::Type::String: {
        const std::string& text = *value.string();
        return plist_new_string(internal::isValidText(text) ? text.c_str() : mendedText(text, mended).c_str());
    }
    case Value::Type::Integer: return plist_new_uint(static_cast<uint64_t>(value.integerValue()));
    case Value::Type::Real: return plist_new_real(value.doubleValue());
    case Value::Type::Boolean: return plist_new_bool(value.boolValue() ? 1 : 0);
    case Value::Type::Date: return dateToPlist(*value.date(), !binary);
    case Value::Type::Data: {
        const Data& data = *value.data();
        return plist_new_data(reinterpret_cast<const char*>(data.data()), data.size());
    }
    case Value::Type::Array: {
        plist_t array = plist_new_array();
        for (const Value& item : *value.array())
            if (plist_t node = toPlist(item, binary, mended))
                plist_array_append_item(array, node);
        return array;
    }
    case Value::Type::Dict: {
        plist_t dict = plist_new_dict();
        for (const auto& [key, item] : *value.dict())
            if (plist_t node = toPlist(item, binary, mended))
                plist_dict_set_item(dict, internal::isValidText(key) ? key.c_str() : mendedText(key, mended).c_str(), node);
        return dict;
    }
    case Value::Type::None:
    case Value::Type::Object:
        return nullptr;
    }
    return nullptr;
}

void logUnreadable(const std::string& devicePath, const std::string& reason)
{
    QLog("Qvl: ignoring unreadable property list %@: %@", devicePath, reason);
}

// Parses without the memo.
std::optional<internal::ParsedPlist> parseFresh(const std::string& bytes, std::string* error)
{
    if (bytes.empty()) {
        setError(error, "empty file");
        return std::nullopt;
    }
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
        setError(error, "file too large");
        return std::nullopt;
    }
    const bool binary = bytes.compare(0, 8, "bplist00") == 0;
    std::optional<std::string> refusal = binary ? internal::checkBinaryPlistShape(bytes, kMaxPlistDepth)
                                                : internal::checkXmlPlistShape(bytes, kMaxPlistDepth);
    if (refusal) {
        setError(error, *refusal);
        return std::nullopt;
    }

    // Texts the parser would trip over are mended in a copy first.
    size_t mended = 0;
    std::string mendedBytes;
    const std::string* input = &bytes;
    if (binary) {
        if (std::optional<internal::BinaryPlistRepair> repair = internal::repairBinaryPlistTexts(bytes)) {
            mendedBytes = std::move(repair->bytes);
            mended = repair->texts;
            input = &mendedBytes;
        }
    } else if (bytes.find('\0') != std::string::npos) {
        mendedBytes = withNulBytesReplaced(bytes, mended);
        input = &mendedBytes;
    }
    if (input->size() > std::numeric_limits<uint32_t>::max()) {
        setError(error, "file too large");
        return std::nullopt;
    }

    plist_t parsed = nullptr;
    if (binary)
        plist_from_bin(input->data(), static_cast<uint32_t>(input->size()), &parsed);
    else
        plist_from_xml(input->data(), static_cast<uint32_t>(input->size()), &parsed);
    PlistPtr root(parsed);
    if (!root) {
        setError(error, binary ? "truncated or malformed binary property list" : "not an XML property list, or truncated");
        return std::nullopt;
    }
    Value value = fromPlist(root.get(), mended);
    return internal::ParsedPlist{std::move(value), mended};
}

} // namespace

std::optional<Value> parsePropertyList(const std::string& bytes, std::string* error, size_t* mendedTexts)
{
    if (mendedTexts)
        *mendedTexts = 0;
    internal::PlistMemo& memo = internal::PlistMemo::forThisThread();
    if (const internal::ParsedPlist* known = memo.find(bytes)) {
        if (mendedTexts)
            *mendedTexts = known->mendedTexts;
        return known->value;
    }
    std::optional<internal::ParsedPlist> parsed = parseFresh(bytes, error);
    if (!parsed)
        return std::nullopt;
    if (mendedTexts)
        *mendedTexts = parsed->mendedTexts;
    Value value = parsed->value;
    memo.remember(bytes, std::move(*parsed));
    return value;
}

std::string serializePropertyList(const Value& root, bool binary, const std::string& forFile)
{
    const std::string file = forFile.empty() ? std::string("a property list") : forFile;
    if (!depthWithin(root, kMaxPlistDepth)) {
        QLog("Qvl: not writing a property list nested deeper than %d levels", kMaxPlistDepth);
        return {};
    }
    size_t mended = 0;
    PlistPtr node(toPlist(root, binary, mended));
    if (!node)
        return {};
    char* out = nullptr;
    uint32_t length = 0;
    if (binary)
        plist_to_bin(node.get(), &out, &length);
    else
        plist_to_xml(node.get(), &out, &length);
    std::string bytes = out ? std::string(out, length) : std::string();
    std::free(out);

    // Bytes that do not read back are never handed out: a store written with
    // them would be lost to every later read.
    // What is read back is kept for the next reader of these bytes.
    std::string reason = "nothing was written";
    internal::PlistMemo& memo = internal::PlistMemo::forThisThread();
    std::optional<Value::Type> backType;
    if (const internal::ParsedPlist* known = bytes.empty() ? nullptr : memo.find(bytes)) {
        backType = known->value.type();
    } else if (!bytes.empty()) {
        if (std::optional<internal::ParsedPlist> back = parseFresh(bytes, &reason)) {
            backType = back->value.type();
            memo.remember(bytes, std::move(*back));
        }
    }
    if (!backType || *backType != root.type()) {
        QLog("Qvl: not writing %@: the written bytes would not read back (%@)", file,
             backType ? std::string("the root changed its kind") : reason);
        return {};
    }
    if (mended > 0)
        QLog("Qvl: writing %@ with U+FFFD in place of NUL characters and bytes that are not UTF-8 (texts mended: %u)",
             file, static_cast<unsigned>(mended));
    return bytes;
}

std::optional<Dict> readDictionaryIfPresent(const std::string& devicePath)
{
    std::string path = hostPath(devicePath);
    struct stat info;
    if (path.empty())
        return std::nullopt;
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return std::nullopt; // simply absent: no log, the default applies
        logUnreadable(devicePath, std::string("cannot reach the file: ") + std::strerror(errno));
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        logUnreadable(devicePath, "it is a folder");
        return std::nullopt;
    }
    errno = 0;
    std::optional<std::string> bytes = readFile(devicePath);
    if (!bytes) {
        logUnreadable(devicePath, std::string("cannot read the file: ") + std::strerror(errno));
        return std::nullopt;
    }
    std::string reason;
    size_t mended = 0;
    std::optional<Value> root = parsePropertyList(*bytes, &reason, &mended);
    if (!root) {
        logUnreadable(devicePath, reason);
        return std::nullopt;
    }
    if (!root->isDict()) {
        logUnreadable(devicePath, "the root is not a dictionary");
        return std::nullopt;
    }
    if (mended > 0)
        QLog("Qvl: reading %@ with U+FFFD in place of NUL characters and bytes that are not UTF-8 (texts mended: %u)",
             devicePath, static_cast<unsigned>(mended));
    return std::move(*root->dict());
}

Dict readDictionary(const std::string& devicePath)
{
    return readDictionaryIfPresent(devicePath).value_or(Dict{});
}

bool writeDictionaryAtomically(const std::string& devicePath, const Dict& root, bool binary)
{
    std::string bytes = serializePropertyList(Value(root), binary, devicePath);
    if (bytes.empty())
        return false;
    return writeFileAtomically(devicePath, bytes);
}

} // namespace platform
