#include "app/shell/list_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "tests/win_test_support.h"

namespace {

std::string record_bytes(const wchar_t* link, int32_t state = STATE_DONE) {
    ListRecord r;
    std::memset(&r, 0, sizeof(r));
    text_copy(r.key, L"00112233445566778899AABBCCDDEEFF");
    text_copy(r.link, link);
    text_copy(r.outputPath, L"C:\\Videos\\clip.mp4");
    r.state = state;
    unsigned char bytes[LIST_RECORD_SIZE];
    encode_list_record(r, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), LIST_RECORD_SIZE);
}

struct Links {
    std::vector<std::wstring> links;
};

bool collect(void* context, const ListRecord& record) {
    static_cast<Links*>(context)->links.emplace_back(record.link);
    return true;
}

class ListStore : public ::testing::Test {
protected:
    TempFolder folder;
    std::wstring list = folder.file(L"list");
    std::wstring temporary = folder.file(L"list.tmp");

    bool write(const std::string& bytes) {
        return write_list_file(list.c_str(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }
    ListFileStatus restore(Links& links, ListRead* read = nullptr) {
        return restore_list_file(list.c_str(), collect, &links, read);
    }
};

TEST_F(ListStore, WritesReplaceTheFileWholeAndLeaveNoTemporaryFile) {
    std::string two = record_bytes(L"https://one.example/a") + record_bytes(L"https://two.example/b");
    ASSERT_TRUE(write(two));
    std::string stored;
    ASSERT_TRUE(read_whole_file(list, stored));
    EXPECT_EQ(stored, two);
    EXPECT_FALSE(path_exists(temporary));

    // A longer list, then a shorter one: nothing of the old file remains.
    ASSERT_TRUE(write(two + record_bytes(L"https://three.example/c")));
    ASSERT_TRUE(write(record_bytes(L"https://four.example/d")));
    Links links;
    EXPECT_EQ(restore(links), ListFileStatus::Read);
    EXPECT_EQ(links.links, std::vector<std::wstring>{L"https://four.example/d"});

    // A temporary file left by a crash is simply written over.
    ASSERT_TRUE(write_whole_file(temporary, "left over"));
    ASSERT_TRUE(write(two));
    EXPECT_FALSE(path_exists(temporary));
    ASSERT_TRUE(read_whole_file(list, stored));
    EXPECT_EQ(stored, two);

    // And the empty list is a file of no bytes.
    ASSERT_TRUE(write(""));
    links.links.clear();
    EXPECT_EQ(restore(links), ListFileStatus::Read);
    EXPECT_TRUE(links.links.empty());
}

TEST_F(ListStore, AFailedWriteKeepsTheOldFile) {
    std::string old = record_bytes(L"https://kept.example/v");
    ASSERT_TRUE(write(old));
    // The old file is held open without sharing: it cannot be replaced.
    HANDLE held = CreateFileW(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write(record_bytes(L"https://new.example/v")));
    CloseHandle(held);
    EXPECT_FALSE(path_exists(temporary));
    std::string stored;
    ASSERT_TRUE(read_whole_file(list, stored));
    EXPECT_EQ(stored, old);

    // A folder that does not exist: nothing written, nothing left.
    std::wstring elsewhere = folder.file(L"missing\\list");
    EXPECT_FALSE(write_list_file(elsewhere.c_str(), reinterpret_cast<const unsigned char*>(old.data()), old.size()));
}

TEST_F(ListStore, DamagedFilesGiveBackTheirGoodRecords) {
    std::string a = record_bytes(L"https://a.example/1");
    std::string b = record_bytes(L"https://b.example/2");
    std::string bad = record_bytes(L"https://c.example/3", 77);
    std::string oversized;
    for (int i = 0; i < 300; ++i) {
        oversized += record_bytes((L"https://many.example/" + std::to_wstring(i)).c_str());
    }
    struct Case {
        const char* what;
        std::string file;
        size_t links;
        bool truncatedTail;
    };
    const Case kCases[] = {
        {"5795 bytes", a.substr(0, LIST_RECORD_SIZE - 1), 0, true},
        {"two records and a torn third", a + b + a.substr(0, 999), 2, true},
        {"a bad record between good ones", a + bad + b, 2, false},
        {"garbage", std::string(3 * LIST_RECORD_SIZE + 5, '\x7f'), 0, true},
        {"300 records", oversized, MAX_LIST_ITEMS, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(write_whole_file(list, c.file));
        Links links;
        ListRead read;
        EXPECT_EQ(restore(links, &read), ListFileStatus::Read);
        EXPECT_EQ(links.links.size(), c.links);
        EXPECT_EQ(read.truncatedTail, c.truncatedTail);
    }
}

TEST_F(ListStore, MissingAndUnreadableFilesAreToldApart) {
    Links links;
    EXPECT_EQ(restore(links), ListFileStatus::Missing);
    ASSERT_TRUE(write_whole_file(list, record_bytes(L"https://a.example/1")));
    HANDLE held = CreateFileW(list.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(restore(links), ListFileStatus::Unreadable);
    CloseHandle(held);
    EXPECT_EQ(restore(links), ListFileStatus::Read);
    EXPECT_EQ(links.links.size(), 1u);
}

}  // namespace
