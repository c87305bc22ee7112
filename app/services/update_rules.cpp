#include "app/services/update_rules.h"

#include <cstring>

#include "base/text.h"

void unscramble_reply(char* bytes, size_t length) {
    for (size_t i = 0; i + 1 < length; i += 2) {
        if (bytes[i] == 0 || bytes[i + 1] == 0) {
            return;
        }
        char first = bytes[i];
        bytes[i] = bytes[i + 1];
        bytes[i + 1] = first;
    }
}

namespace {

constexpr int BASE64_BLANK = -1;
constexpr int BASE64_PAD = -2;
constexpr int BASE64_INVALID = -3;

int base64_value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    switch (c) {
    case '+': return 62;
    case '/': return 63;
    case '=': return BASE64_PAD;
    case ' ':
    case '\t':
    case '\r':
    case '\n': return BASE64_BLANK;
    default: return BASE64_INVALID;
    }
}

}  // namespace

bool base64_decode(const char* text, size_t length, unsigned char* out, size_t capacity, size_t* written) {
    *written = 0;
    unsigned group[4] = {};
    size_t inGroup = 0;
    size_t count = 0;
    bool padding = false;
    for (size_t i = 0; i < length; ++i) {
        int value = base64_value(text[i]);
        if (value == BASE64_BLANK) {
            continue;
        }
        if (value == BASE64_INVALID) {
            return false;
        }
        if (value == BASE64_PAD) {
            // Padding only completes a group of two or three characters.
            if (inGroup < 2 && !padding) {
                return false;
            }
            padding = true;
            continue;
        }
        if (padding) {
            return false;  // data after the end
        }
        group[inGroup++] = static_cast<unsigned>(value);
        if (inGroup == 4) {
            if (count + 3 > capacity) {
                return false;
            }
            out[count++] = static_cast<unsigned char>((group[0] << 2) | (group[1] >> 4));
            out[count++] = static_cast<unsigned char>((group[1] << 4) | (group[2] >> 2));
            out[count++] = static_cast<unsigned char>((group[2] << 6) | group[3]);
            inGroup = 0;
        }
    }
    if (inGroup == 1) {
        return false;  // six bits make no byte
    }
    if (inGroup > 1) {
        if (count + (inGroup - 1) > capacity) {
            return false;
        }
        out[count++] = static_cast<unsigned char>((group[0] << 2) | (group[1] >> 4));
        if (inGroup == 3) {
            out[count++] = static_cast<unsigned char>((group[1] << 4) | (group[2] >> 2));
        }
    }
    *written = count;
    return true;
}

bool decode_update_reply(char* reply, size_t length, unsigned char (&document)[UPDATE_DOCUMENT_LIMIT],
                         size_t* documentLength) {
    *documentLength = 0;
    if (length == 0 || length >= UPDATE_REPLY_LIMIT) {
        return false;
    }
    unscramble_reply(reply, length);
    // The Base64 text ends at its first zero byte, if any.
    const void* zero = std::memchr(reply, 0, length);
    size_t textLength = zero ? static_cast<size_t>(static_cast<const char*>(zero) - reply) : length;
    size_t decoded = 0;
    if (!base64_decode(reply, textLength, document, UPDATE_DOCUMENT_LIMIT, &decoded) || decoded == 0) {
        return false;
    }
    *documentLength = decoded;
    return true;
}

bool is_newer_version(const wchar_t* installed, const wchar_t* offered) {
    // A null rest is exhausted; each step moves past the next ".".
    const wchar_t* a = installed ? installed : L"";
    const wchar_t* b = offered ? offered : L"";
    for (;;) {
        if (!a && !b) {
            return false;
        }
        long long numberA = a ? text_leading_integer(a) : 0;
        long long numberB = b ? text_leading_integer(b) : 0;
        if (numberB != numberA) {
            return numberB > numberA;
        }
        if (a) {
            const wchar_t* dot = text_find(a, L".");
            a = dot ? dot + 1 : nullptr;
        }
        if (b) {
            const wchar_t* dot = text_find(b, L".");
            b = dot ? dot + 1 : nullptr;
        }
    }
}

int64_t parse_file_size(const wchar_t* text) {
    if (!text) {
        return 0;
    }
    while (*text == L' ' || (*text >= L'\t' && *text <= L'\r')) {
        ++text;
    }
    bool negative = *text == L'-';
    if (*text == L'-' || *text == L'+') {
        ++text;
    }
    // Gathered as a negative number: its range reaches one further.
    int64_t value = 0;
    constexpr int64_t LOWEST = INT64_MIN;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        int digit = static_cast<int>(*text - L'0');
        if (value < (LOWEST + digit) / 10) {
            value = LOWEST;
        } else {
            value = value * 10 - digit;
        }
    }
    if (negative) {
        return value;
    }
    return value == LOWEST ? INT64_MAX : -value;
}

bool percent_due(PercentPacer& pacer, uint64_t now) {
    if (pacer.posted && now - pacer.lastTick <= 499) {
        return false;
    }
    pacer.lastTick = now;
    pacer.posted = true;
    return true;
}

unsigned download_percent(uint64_t progress, uint64_t maximum) {
    if (maximum == 0) {
        return 0;
    }
    // A server may send more than it announced; above 100 the number would
    // read as one of the progress codes.
    uint64_t percent = progress >= maximum          ? 100
                       : progress <= UINT64_MAX / 100 ? progress * 100 / maximum
                                                      : progress / (maximum / 100);
    return static_cast<unsigned>(percent);
}

XmlNode* XmlTreeBuilder::begin_element(const wchar_t* name, bool empty) {
    auto node = std::make_unique<XmlNode>();
    node->name = name ? name : L"";
    node->parent = current_;
    XmlNode* added = node.get();
    if (current_) {
        current_->children.push_back(std::move(node));
    } else {
        document_.root = std::move(node);
    }
    if (!empty) {
        current_ = added;
    }
    return added;
}

void XmlTreeBuilder::add_attribute(XmlNode* element, const wchar_t* name, const wchar_t* value) {
    element->attributes[name ? name : L""] = value ? value : L"";
}

void XmlTreeBuilder::add_text(const wchar_t* text, size_t length) {
    if (current_ && text) {
        current_->text.append(text, length);
    }
}

void XmlTreeBuilder::end_element() {
    if (current_) {
        current_ = current_->parent;
    }
}

const XmlNode* find_xml_path(const XmlNode* node, const wchar_t* path) {
    if (!node || !path) {
        return nullptr;
    }
    const wchar_t* segment = path;
    for (;;) {
        const wchar_t* slash = text_find(segment, L"/");
        size_t length = slash ? static_cast<size_t>(slash - segment) : text_length(segment);
        const XmlNode* next = nullptr;
        for (const auto& child : node->children) {
            if (child->name.size() == length && child->name.compare(0, length, segment, length) == 0) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            return nullptr;
        }
        node = next;
        if (!slash) {
            return node;
        }
        segment = slash + 1;
    }
}

const wchar_t* xml_path_text(const XmlNode* node, const wchar_t* path) {
    const XmlNode* found = find_xml_path(node, path);
    return found ? found->text.c_str() : L"";
}

UpdateFindings read_update_findings(const XmlNode* root, const wchar_t* programVersion,
                                    const wchar_t* installedYtdlpVersion) {
    UpdateFindings findings = {};
    const wchar_t* version = xml_path_text(root, L"update/version");
    if (*version) {
        findings.available = is_newer_version(programVersion, version);
    }
    findings.setupUrl = xml_path_text(root, L"update/url");
    const wchar_t* ytdlp = xml_path_text(root, L"update/youtubedl_version");
    if (*ytdlp) {
        findings.ytdlpOutdated = is_newer_version(installedYtdlpVersion, ytdlp);
    }
    const wchar_t* size = xml_path_text(root, L"update/file_size");
    if (*size) {
        findings.fileSize = parse_file_size(size);
    }
    return findings;
}
