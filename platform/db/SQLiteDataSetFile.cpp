// The file layer under the SQLite dataset's connections: SQLite's own, with
// reads of the database file that follow one another served from a window
// read ahead in one system call. A count reads every page of a table and a
// walk most of them in file order; without a memory map (see OpenConnection)
// each page would be a call of its own. The window is dropped whenever what
// the file holds may have changed under it: at every lock change (a read
// transaction's start and end), every change of the shared memory of a WAL
// file, and every write by this connection.
//
// Index
//   [SECTION] Files   the window and the file methods
//   [SECTION] System  the file layer itself, passing everything else on

#include <cstring>
#include <mutex>

#include "platform/db/SQLiteDataSetImpl.h"

namespace kvp::sqlite_detail {

namespace {

constexpr int FirstWindowBytes = 16 * 1024;  // read at once when a read follows the last one
constexpr int WindowBytes = 256 * 1024;      // ... growing up to this while they go on following

sqlite3_vfs* RealVfs = nullptr;  // the system's file layer, which this one stands on
sqlite3_vfs AheadVfs;            // this one

// [SECTION] Files

// A file of this layer: the system's file follows it in the same memory.
struct TAheadFile {
  sqlite3_file Base;
  sqlite3_file* Real;           // the system's file
  bool MainDb;                  // the database itself (journals are read as they are)
  char* Window;                 // bytes read ahead, or null
  sqlite3_int64 WindowStart;    // their offset in the file
  int WindowSize;               // how many hold the file's bytes
  int NextWindow;               // how many the next window reads
  sqlite3_int64 NextOffset;     // where the last read ended
};

TAheadFile* Ahead(sqlite3_file* File) { return reinterpret_cast<TAheadFile*>(File); }
sqlite3_file* Real(sqlite3_file* File) { return Ahead(File)->Real; }

// A read of a few rows after a lock change reads a small window, a walk
// through the file ever larger ones: what a window holds past the last read
// before the next lock change is read for nothing.
void DropWindow(sqlite3_file* File) {
  Ahead(File)->WindowSize = 0;
  Ahead(File)->NextWindow = FirstWindowBytes;
  Ahead(File)->NextOffset = -1;
}

int AheadClose(sqlite3_file* File) {
  sqlite3_free(Ahead(File)->Window);
  Ahead(File)->Window = nullptr;
  return Real(File)->pMethods->xClose(Real(File));
}

// A read inside the window is copied from it; a read that follows the last
// one fills the window from its offset on; any other goes to the file alone.
int AheadRead(sqlite3_file* File, void* Buffer, int Amount, sqlite3_int64 Offset) {
  TAheadFile* A = Ahead(File);
  sqlite3_file* R = A->Real;
  if (A->WindowSize > 0 && Offset >= A->WindowStart &&
      Offset + Amount <= A->WindowStart + A->WindowSize) {
    std::memcpy(Buffer, A->Window + (Offset - A->WindowStart), std::size_t(Amount));
    A->NextOffset = Offset + Amount;
    return SQLITE_OK;
  }
  const bool Follows = A->MainDb && Offset == A->NextOffset && Amount <= WindowBytes / 8;
  A->NextOffset = Offset + Amount;
  sqlite3_int64 Size = 0;
  if (!Follows || R->pMethods->xFileSize(R, &Size) != SQLITE_OK || Size - Offset < Amount * 2)
    return R->pMethods->xRead(R, Buffer, Amount, Offset);
  if (!A->Window) A->Window = static_cast<char*>(sqlite3_malloc(WindowBytes));
  if (!A->Window) return R->pMethods->xRead(R, Buffer, Amount, Offset);
  const int Window = A->NextWindow > 2 * Amount ? A->NextWindow : 2 * Amount;
  const int Want = int(Size - Offset < Window ? Size - Offset : Window);
  A->NextWindow = Window < WindowBytes ? Window * 2 : WindowBytes;
  A->WindowSize = 0;
  const int Result = R->pMethods->xRead(R, A->Window, Want, Offset);
  if (Result != SQLITE_OK) return R->pMethods->xRead(R, Buffer, Amount, Offset);
  A->WindowStart = Offset;
  A->WindowSize = Want;
  std::memcpy(Buffer, A->Window, std::size_t(Amount));
  return SQLITE_OK;
}

int AheadWrite(sqlite3_file* File, const void* Buffer, int Amount, sqlite3_int64 Offset) {
  DropWindow(File);
  return Real(File)->pMethods->xWrite(Real(File), Buffer, Amount, Offset);
}

int AheadTruncate(sqlite3_file* File, sqlite3_int64 Size) {
  DropWindow(File);
  return Real(File)->pMethods->xTruncate(Real(File), Size);
}

int AheadSync(sqlite3_file* File, int Flags) {
  return Real(File)->pMethods->xSync(Real(File), Flags);
}

int AheadFileSize(sqlite3_file* File, sqlite3_int64* Size) {
  return Real(File)->pMethods->xFileSize(Real(File), Size);
}

int AheadLock(sqlite3_file* File, int Level) {
  DropWindow(File);
  return Real(File)->pMethods->xLock(Real(File), Level);
}

int AheadUnlock(sqlite3_file* File, int Level) {
  DropWindow(File);
  return Real(File)->pMethods->xUnlock(Real(File), Level);
}

int AheadCheckReservedLock(sqlite3_file* File, int* Out) {
  return Real(File)->pMethods->xCheckReservedLock(Real(File), Out);
}

// The connection asks for the file it stands on by this layer's file; any
// other control may change what is read.
int AheadFileControl(sqlite3_file* File, int Op, void* Arg) {
  DropWindow(File);
  return Real(File)->pMethods->xFileControl(Real(File), Op, Arg);
}

int AheadSectorSize(sqlite3_file* File) {
  return Real(File)->pMethods->xSectorSize(Real(File));
}

int AheadDeviceCharacteristics(sqlite3_file* File) {
  return Real(File)->pMethods->xDeviceCharacteristics(Real(File));
}

int AheadShmMap(sqlite3_file* File, int Region, int Size, int Extend, void volatile** Out) {
  DropWindow(File);
  return Real(File)->pMethods->xShmMap(Real(File), Region, Size, Extend, Out);
}

int AheadShmLock(sqlite3_file* File, int Offset, int Count, int Flags) {
  DropWindow(File);
  return Real(File)->pMethods->xShmLock(Real(File), Offset, Count, Flags);
}

void AheadShmBarrier(sqlite3_file* File) { Real(File)->pMethods->xShmBarrier(Real(File)); }

int AheadShmUnmap(sqlite3_file* File, int Delete) {
  DropWindow(File);
  return Real(File)->pMethods->xShmUnmap(Real(File), Delete);
}

int AheadFetch(sqlite3_file* File, sqlite3_int64 Offset, int Amount, void** Out) {
  *Out = nullptr;  // the connections read no page through a map
  (void)File;
  (void)Offset;
  (void)Amount;
  return SQLITE_OK;
}

int AheadUnfetch(sqlite3_file* File, sqlite3_int64 Offset, void* Page) {
  (void)File;
  (void)Offset;
  (void)Page;
  return SQLITE_OK;
}

const sqlite3_io_methods AheadMethods = {
    3,
    AheadClose,
    AheadRead,
    AheadWrite,
    AheadTruncate,
    AheadSync,
    AheadFileSize,
    AheadLock,
    AheadUnlock,
    AheadCheckReservedLock,
    AheadFileControl,
    AheadSectorSize,
    AheadDeviceCharacteristics,
    AheadShmMap,
    AheadShmLock,
    AheadShmBarrier,
    AheadShmUnmap,
    AheadFetch,
    AheadUnfetch,
};

// [SECTION] System

int AheadOpen(sqlite3_vfs*, const char* Name, sqlite3_file* File, int Flags, int* OutFlags) {
  TAheadFile* A = Ahead(File);
  std::memset(A, 0, sizeof *A);
  A->Real = reinterpret_cast<sqlite3_file*>(A + 1);
  A->MainDb = (Flags & SQLITE_OPEN_MAIN_DB) != 0;
  A->NextOffset = -1;
  A->NextWindow = FirstWindowBytes;
  const int Result = RealVfs->xOpen(RealVfs, Name, A->Real, Flags, OutFlags);
  // A system file that has methods must be closed, even after a failure.
  A->Base.pMethods = A->Real->pMethods ? &AheadMethods : nullptr;
  return Result;
}

int AheadDelete(sqlite3_vfs*, const char* Name, int SyncDir) {
  return RealVfs->xDelete(RealVfs, Name, SyncDir);
}
int AheadAccess(sqlite3_vfs*, const char* Name, int Flags, int* Out) {
  return RealVfs->xAccess(RealVfs, Name, Flags, Out);
}
int AheadFullPathname(sqlite3_vfs*, const char* Name, int Size, char* Out) {
  return RealVfs->xFullPathname(RealVfs, Name, Size, Out);
}
void* AheadDlOpen(sqlite3_vfs*, const char* Name) { return RealVfs->xDlOpen(RealVfs, Name); }
void AheadDlError(sqlite3_vfs*, int Size, char* Out) { RealVfs->xDlError(RealVfs, Size, Out); }
void (*AheadDlSym(sqlite3_vfs*, void* Handle, const char* Symbol))(void) {
  return RealVfs->xDlSym(RealVfs, Handle, Symbol);
}
void AheadDlClose(sqlite3_vfs*, void* Handle) { RealVfs->xDlClose(RealVfs, Handle); }
int AheadRandomness(sqlite3_vfs*, int Size, char* Out) {
  return RealVfs->xRandomness(RealVfs, Size, Out);
}
int AheadSleep(sqlite3_vfs*, int Microseconds) { return RealVfs->xSleep(RealVfs, Microseconds); }
int AheadCurrentTime(sqlite3_vfs*, double* Out) { return RealVfs->xCurrentTime(RealVfs, Out); }
int AheadGetLastError(sqlite3_vfs*, int Size, char* Out) {
  return RealVfs->xGetLastError ? RealVfs->xGetLastError(RealVfs, Size, Out) : 0;
}
int AheadCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* Out) {
  return RealVfs->xCurrentTimeInt64(RealVfs, Out);
}

}  // namespace

const char* ReadAheadVfs() {
  static std::once_flag Registered;
  static bool Usable = false;
  std::call_once(Registered, [] {
    RealVfs = sqlite3_vfs_find(nullptr);
    if (!RealVfs || RealVfs->iVersion < 2 || !RealVfs->xCurrentTimeInt64) return;
    AheadVfs = sqlite3_vfs{};
    AheadVfs.iVersion = 2;
    AheadVfs.szOsFile = int(sizeof(TAheadFile)) + RealVfs->szOsFile;
    AheadVfs.mxPathname = RealVfs->mxPathname;
    AheadVfs.zName = "kv-readahead";
    AheadVfs.xOpen = AheadOpen;
    AheadVfs.xDelete = AheadDelete;
    AheadVfs.xAccess = AheadAccess;
    AheadVfs.xFullPathname = AheadFullPathname;
    AheadVfs.xDlOpen = AheadDlOpen;
    AheadVfs.xDlError = AheadDlError;
    AheadVfs.xDlSym = AheadDlSym;
    AheadVfs.xDlClose = AheadDlClose;
    AheadVfs.xRandomness = AheadRandomness;
    AheadVfs.xSleep = AheadSleep;
    AheadVfs.xCurrentTime = AheadCurrentTime;
    AheadVfs.xGetLastError = AheadGetLastError;
    AheadVfs.xCurrentTimeInt64 = AheadCurrentTimeInt64;
    Usable = sqlite3_vfs_register(&AheadVfs, 0) == SQLITE_OK;
  });
  return Usable ? "kv-readahead" : nullptr;
}

}  // namespace kvp::sqlite_detail
