// The numbers that set how a run spends memory and threads, each with its reason. They
// were chosen by measurement, and the figures behind them are in docs/performance.md:
// change one only with benchmark runs of the old and the new value side by side.
#pragma once

#include <cstddef>

namespace plat::tuning
{

/// A file's buffer: each read, and each gathered write, moves this much. Smaller costs
/// more system calls; larger helps short runs no more and slows long ones.
inline constexpr size_t kFileBufferBytes = 512 * 1024;
/// An export's buffer, which takes its head and its tail: the batches' texts are handed
/// over to the file and written from where they were made, each as it comes once this
/// much waits. Texts left to gather would hold more memory than copying them costs time.
inline constexpr size_t kExportFileBufferBytes = 64 * 1024;
/// Full buffers of a file being written that may wait for the disk while the next one
/// fills: the one being written and one behind it. Three took 1.3 MiB more of a run with
/// every export, 12% more page faults, for no speed at 20 MB or 200 MB.
inline constexpr size_t kWaitingWrites = 2;

/// A file's writes end on a multiple of this many bytes, the bytes past it going with
/// the next write (files with smaller buffers: of their buffer's size). Writes that start
/// and end inside pages cost the system a sixth more time: it takes those pages up twice,
/// and gives the file cache in small blocks. Larger gains no more.
inline constexpr size_t kWriteBoundaryBytes = 64 * 1024;

/// Disk room set aside at a time for a file being written, once it takes more than one
/// write: a file system then finds blocks for this much at once, not for each page the
/// writes fill. ext4, writing a run's 120 MB: a quarter less system time.
inline constexpr long long kReserveStepBytes = 2 * 1024 * 1024;

/// The nice value of the files' reading and writing threads, where the system keeps one per
/// thread: at 10 such a thread takes about a tenth of a converting thread's share of a
/// busy core. Interleaved runs with every export: 20 MB medians 0-25% quicker, 200 MB 3%.
inline constexpr int kDeferredThreadNice = 10;

/// Input a batch of lines takes at most: enough to make a hand-over between the lanes
/// rare, little enough that a lane's lines and output stay in its core's cache. Each
/// lane's batches and the texts they hand over hold memory: with every export, 64 KiB
/// took 2.5 MiB less than 128 (9.4 against 12.0 MiB) at the same speed.
inline constexpr int kBatchBytes = 64 * 1024;
/// Lines a batch takes at most: bounds its output when the lines are short.
inline constexpr size_t kBatchLines = 4096;
/// Room for a full batch's TRACK elements, per byte of its input: converted, text takes
/// two to two and a half times its size in every language measured (markup, UTF-8,
/// escapes). More grows the text.
inline constexpr int kTrackBytesPerInputByte = 3;
/// The same for the exports, measured on every language's playlist: XSPF takes up to two
/// and a half (a location spells each byte of a path that is not ASCII in three), CSV a
/// little over one, M3U8 under one. Room too small makes a batch's text grow to twice its
/// size, room too large is memory held for nothing: either costs a run with every export
/// a MiB or more.
inline constexpr int kXspfBytesPerInputByte = 3;
inline constexpr int kCsvBytesPerInputByte = 2;
inline constexpr int kM3u8BytesPerInputByte = 1;

/// Input bytes encoded per stretch of output room: bounds the room kept beyond the text.
inline constexpr size_t kEncodeBlockBytes = 64 * 1024;

/// Buffers from this size up come from the storage pool: below it, new[] is as quick and
/// the pool would only fragment.
inline constexpr size_t kPooledMinBytes = 64 * 1024;
/// Buffers above this size come from new[]: the pool serves a run's usual buffers only.
inline constexpr size_t kPooledMaxBytes = 4 * 1024 * 1024;
/// Address space reserved for the pool: a run's buffers with a few to spare. What is never
/// written takes no memory.
inline constexpr size_t kStorageStretchBytes = 32 * 1024 * 1024;

} // namespace plat::tuning
