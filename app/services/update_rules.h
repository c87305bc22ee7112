// The update check's rules that need no window and no network: the reply's
// unscrambling and Base64, the version comparison, the XML tree the reply is
// read into with its path lookup, and what the tree says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// A reply of this many bytes or more is refused: it may have been cut.
constexpr size_t UPDATE_REPLY_LIMIT = 2047;
// The decoded XML document holds at most this many bytes.
constexpr size_t UPDATE_DOCUMENT_LIMIT = 2048;

// Exchanges the two bytes of every pair from the start (first and second,
// third and fourth, ...), stopping at the first pair that holds a zero byte;
// an odd last byte stays where it is. Its own inverse.
void unscramble_reply(char* bytes, size_t length);

// Base64 as the Windows decoder takes it: blanks, tabs and line breaks
// between the characters are skipped; the closing "=" may be left out.
// False for any other character, text after the padding, a last group of a
// single character, or a result longer than capacity. *written gets the
// number of bytes decoded.
bool base64_decode(const char* text, size_t length, unsigned char* out, size_t capacity, size_t* written);

// The reply as received (length bytes, changed in place) to the bytes of
// its XML document: unscrambled, then decoded as Base64 up to its first zero
// byte. False for an empty reply, one of UPDATE_REPLY_LIMIT bytes or more,
// bad Base64 or an empty document.
bool decode_update_reply(char* reply, size_t length, unsigned char (&document)[UPDATE_DOCUMENT_LIMIT],
                         size_t* documentLength);

// Whether the offered dotted version is greater than the installed one,
// compared number by number ("1.6" < "1.58", "1.58" == "1.58.0"). A missing
// component counts as 0, so an empty installed version is older than any
// version with a non-zero number.
bool is_newer_version(const wchar_t* installed, const wchar_t* offered);

// A signed decimal number: leading blanks, an optional sign, digits up to
// the first other character; 0 without digits. Held at the 64-bit ends.
int64_t parse_file_size(const wchar_t* text);

// Percent messages of a download come at most about twice a second: the
// first one at once, each further one when more than 499 ms have passed.
struct PercentPacer {
    uint64_t lastTick;  // milliseconds since the system started
    bool posted;        // whether lastTick holds a time
};
// Whether a percent message is due at now; if so, now is remembered.
bool percent_due(PercentPacer& pacer, uint64_t now);
// progress of maximum in whole percent, never above 100; 0 when maximum is 0.
unsigned download_percent(uint64_t progress, uint64_t maximum);

// One element of an XML document: its local name, its own text and CDATA
// pieces joined, its attributes by local name and its child elements in order.
struct XmlNode {
    std::wstring name;
    std::wstring text;
    std::unordered_map<std::wstring, std::wstring> attributes;
    std::vector<std::unique_ptr<XmlNode>> children;
    XmlNode* parent = nullptr;  // not owned
};

struct XmlDocument {
    std::unique_ptr<XmlNode> root;
    std::wstring error;  // English, for a developer: nothing shows it
};

// Builds a document's tree from a reader's events in document order.
class XmlTreeBuilder {
public:
    explicit XmlTreeBuilder(XmlDocument& document) : document_(document) {}

    // A new element below the current one, or the new root when there is
    // none (a previous root is dropped). Unless it is empty (self-closing)
    // it becomes the current element. Returns it for its attributes.
    XmlNode* begin_element(const wchar_t* name, bool empty);
    // The later of two equal names wins.
    static void add_attribute(XmlNode* element, const wchar_t* name, const wchar_t* value);
    // Text and CDATA go to the current element; outside every element they are dropped.
    void add_text(const wchar_t* text, size_t length);
    void end_element();
    // Whether every element begun has ended: a document cut short has not.
    bool complete() const { return current_ == nullptr; }

private:
    XmlDocument& document_;
    XmlNode* current_ = nullptr;
};

// The element reached from node through the names of path, separated by "/"
// and matched exactly among each node's children (the first of a name
// wins); null when a step finds nothing. "update/version" from the root
// names the element "version" inside "update" inside the root.
const XmlNode* find_xml_path(const XmlNode* node, const wchar_t* path);
// The element's text, or empty when there is no such element.
const wchar_t* xml_path_text(const XmlNode* node, const wchar_t* path);

// What the update server's document says.
struct UpdateFindings {
    bool available;       // its program version is newer than ours
    bool ytdlpOutdated;   // it names a yt-dlp newer than the installed one
    int64_t fileSize;     // of the new setup program; 0 when not given
    std::wstring setupUrl;
};

// Reads "update/version", "update/url", "update/youtubedl_version" and
// "update/file_size" below the root. Empty or missing elements offer nothing.
UpdateFindings read_update_findings(const XmlNode* root, const wchar_t* programVersion,
                                    const wchar_t* installedYtdlpVersion);
