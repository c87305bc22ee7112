// The list file "tavlo\list" as bytes: which records of a file are sound
// enough to come back, and the bytes that keep the list. No windows here;
// list_store reads and writes the file itself.
//
// The file is a sequence of ListRecord (app/items/item_rules.h), 5796 bytes
// each, no header, written from the bottom of the list to the top, so that
// reading in file order and putting each item on top restores the order.
#pragma once

#include <cstddef>
#include <vector>

#include "app/items/item_rules.h"

// The list holds at most this many items; the program never writes more records.
constexpr size_t MAX_LIST_ITEMS = 255;
// How far a file is read: a file this long was not written by the program,
// and no list gains anything from the records behind a damaged start of
// this size.
constexpr size_t LIST_SCAN_RECORDS = 4096;
constexpr size_t LIST_SCAN_BYTES = LIST_SCAN_RECORDS * LIST_RECORD_SIZE;

// Why a record does not come back; Good when it does.
enum class RecordCheck {
    Good,
    Truncated,         // fewer than 5796 bytes left in the file
    UnterminatedText,  // a text field without its zero
    BadKey,            // neither empty nor 32 upper-case hexadecimal digits
    BadLink,           // fails check_link
    BadNumber,         // duration, choice or subtitle values out of their ranges
    BadState,          // not a state the program stores
};

// Decodes the record at bytes (available bytes from there to the end of
// the file) and checks it: every text zero-terminated inside its field, the
// key a key, the link a link, duration >= 0, choice 0..63, subtitles-only
// 0/1, subtitle mode 0..3, state one of 0, 2, 3, 5, 6, 20. The record is
// filled only when the answer is Good.
RecordCheck read_list_record(const unsigned char* bytes, size_t available, ListRecord& record);

// What reading a file found.
struct ListRead {
    size_t taken;        // records handed over
    size_t skipped;      // whole records refused by the checks
    bool truncatedTail;  // the file ended inside a record
    bool cutShort;       // reading stopped before the end of the file
};

// Receives one sound record in file order; answers false to stop reading.
using TakeListRecord = bool (*)(void* context, const ListRecord& record);

// Hands every sound record of the file's bytes, in file order, to take,
// skipping the others and a truncated tail, until MAX_LIST_ITEMS were
// taken, take says stop, or LIST_SCAN_BYTES were read.
ListRead read_list_records(const unsigned char* data, size_t size, TakeListRecord take, void* context);

// The state the list file keeps for an item. A restored item replays its
// stored outcome only when its first metadata document arrives; until then
// (still loading, or its metadata failed, e.g. while offline) the stored
// outcome is kept rather than the transient state, so that a finished
// download neither turns into a fresh link nor starts again next time.
ItemState state_to_store(const DownloadRecord& item);

// item_to_record with the stored state of state_to_store.
void list_record_of(const DownloadRecord& item, ListRecord& record);

// The file's bytes for the items in display order (items[0] at the top),
// written from the bottom up; at most MAX_LIST_ITEMS of them.
void build_list_bytes(const DownloadRecord* const* items, size_t count, std::vector<unsigned char>& bytes);
