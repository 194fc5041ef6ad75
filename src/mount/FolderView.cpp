// SPDX-License-Identifier: GPL-3.0-or-later
#define FUSE_USE_VERSION 35
#include "mount/FolderView.h"

#include <fuse3/fuse_lowlevel.h>
#include <pthread.h>
#include <sodium.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstring>

#include "mount/LockedBuffer.h"
#include "mount/MountPoint.h"
#include "mount/ReadAhead.h"

namespace vko::mount {

namespace {

// The tree never changes while the view lives, so the kernel may keep what it learnt.
constexpr double kTimeout = 3600.0;
// The largest read asked of the view (the max_read mount option) and of each reply.
constexpr size_t kMaxRead = size_t{1} << 20;
// A request: its header, a write's header and max_write bytes, the least the kernel accepts.
constexpr size_t kRequestBytes = kMaxRead + 4096;
constexpr ssize_t kRequestHeaderBytes = 40;  // the kernel's fuse_in_header
// Sent to a serving thread to end its wait for the kernel's next request.
constexpr int kWakeSignal = SIGUSR2;

thread_local LockedBuffer* replyBuffer = nullptr;

// libfuse's own messages, kept for the error a failed mount reports.
std::mutex logMutex;
std::string* logSink = nullptr;

extern "C" void KeepLog(enum fuse_log_level, const char* format, va_list ap) {
    char line[512];
    vsnprintf(line, sizeof line, format, ap);
    std::lock_guard lock(logMutex);
    if (logSink) *logSink += line;
}

extern "C" void Wake(int) {}

void InstallWakeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = Wake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the wait must end
        sigaction(kWakeSignal, &action, nullptr);
    });
}

}  // namespace

struct ViewOps {
    static FolderView& View(fuse_req_t req) {
        return *static_cast<FolderView*>(fuse_req_userdata(req));
    }

    // The node of an inode number (the root is FUSE_ROOT_ID, node 0); nothing past the tree.
    static const BoxTree::Node* Node(FolderView& v, fuse_ino_t ino) {
        if (ino < FUSE_ROOT_ID || ino - FUSE_ROOT_ID >= v.tree_.Size()) return nullptr;
        return &v.tree_.At(static_cast<uint32_t>(ino - FUSE_ROOT_ID));
    }

    static void Attributes(FolderView& v, fuse_ino_t ino, const BoxTree::Node& node,
                           struct stat& st) {
        st = {};
        st.st_ino = ino;
        st.st_uid = v.uid_;
        st.st_gid = v.gid_;
        st.st_atim = v.times_[0];
        st.st_mtim = v.times_[1];
        st.st_ctim = v.times_[2];
        st.st_blksize = 65536;
        if (node.IsFolder()) {
            st.st_mode = S_IFDIR | 0500;
            st.st_nlink = 2 + std::count_if(node.children.begin(), node.children.end(),
                                            [&](uint32_t c) { return v.tree_.At(c).IsFolder(); });
            st.st_size = 4096;
        } else {
            const uint64_t size = v.source_->Entries()[node.entry].size;
            st.st_mode = S_IFREG | 0400;
            st.st_nlink = 1;
            st.st_size = static_cast<off_t>(size);
            st.st_blocks = static_cast<blkcnt_t>((size + 511) / 512);
        }
    }

    static fuse_entry_param Entry(FolderView& v, uint32_t child) {
        fuse_entry_param e{};
        e.ino = child + FUSE_ROOT_ID;
        e.attr_timeout = kTimeout;
        e.entry_timeout = kTimeout;
        Attributes(v, e.ino, v.tree_.At(child), e.attr);
        return e;
    }

    static void Lookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
        FolderView& v = View(req);
        const BoxTree::Node* node = Node(v, parent);
        if (!node || !node->IsFolder()) return (void)fuse_reply_err(req, ENOTDIR);
        const auto child = v.tree_.Child(static_cast<uint32_t>(parent - FUSE_ROOT_ID), name);
        if (!child) {
            fuse_entry_param none{};  // remembered as missing for as long as the rest
            none.entry_timeout = kTimeout;
            return (void)fuse_reply_entry(req, &none);
        }
        const fuse_entry_param e = Entry(v, *child);
        fuse_reply_entry(req, &e);
    }

    static void Forget(fuse_req_t req, fuse_ino_t, uint64_t) { fuse_reply_none(req); }
    static void ForgetMulti(fuse_req_t req, size_t, fuse_forget_data*) { fuse_reply_none(req); }

    static void GetAttr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
        FolderView& v = View(req);
        const BoxTree::Node* node = Node(v, ino);
        if (!node) return (void)fuse_reply_err(req, ENOENT);
        struct stat st {};
        Attributes(v, ino, *node, st);
        fuse_reply_attr(req, &st, kTimeout);
    }

    static void OpenDir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
        const BoxTree::Node* node = Node(View(req), ino);
        if (!node) return (void)fuse_reply_err(req, ENOENT);
        if (!node->IsFolder()) return (void)fuse_reply_err(req, ENOTDIR);
        fi->cache_readdir = 1;
        fi->keep_cache = 1;
        fuse_reply_open(req, fi);
    }

    // Lists a folder from position off: ".", "..", then its children by name.
    static void List(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, bool plus) {
        FolderView& v = View(req);
        const BoxTree::Node* node = Node(v, ino);
        if (!node || !node->IsFolder()) return (void)fuse_reply_err(req, ENOTDIR);
        size = std::min(size, replyBuffer->Size());
        char* buffer = reinterpret_cast<char*>(replyBuffer->Data());
        size_t used = 0;
        const size_t count = node->children.size() + 2;
        for (auto at = static_cast<size_t>(std::max<off_t>(off, 0)); at < count; ++at) {
            const uint32_t self = static_cast<uint32_t>(ino - FUSE_ROOT_ID);
            const uint32_t target = at == 0 ? self : at == 1 ? node->parent : node->children[at - 2];
            const char* name = at == 0 ? "." : at == 1 ? ".." : v.tree_.At(target).name.c_str();
            fuse_entry_param e = Entry(v, target);
            size_t need = 0;
            if (plus) {
                // "." and ".." are not looked up by the kernel: they carry no entry.
                if (at < 2) e.ino = 0;
                need = fuse_add_direntry_plus(req, buffer + used, size - used, name, &e,
                                              static_cast<off_t>(at + 1));
            } else {
                need = fuse_add_direntry(req, buffer + used, size - used, name, &e.attr,
                                         static_cast<off_t>(at + 1));
            }
            if (need > size - used) break;
            used += need;
        }
        fuse_reply_buf(req, buffer, used);
        sodium_memzero(buffer, used);
    }

    static void ReadDir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) {
        List(req, ino, size, off, false);
    }
    static void ReadDirPlus(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off,
                            fuse_file_info*) {
        List(req, ino, size, off, true);
    }

    static void Open(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
        const BoxTree::Node* node = Node(View(req), ino);
        if (!node) return (void)fuse_reply_err(req, ENOENT);
        if (node->IsFolder()) return (void)fuse_reply_err(req, EISDIR);
        if ((fi->flags & O_ACCMODE) != O_RDONLY) return (void)fuse_reply_err(req, EROFS);
        // The kernel may keep what it read of a file across opens once the file proved sound;
        // until then each open reads again, so that damage found later fails every read.
        fi->keep_cache = View(req).contents_.Verified(node->entry) ? 1 : 0;
        View(req).contents_.Opened(node->entry);
        if (fuse_reply_open(req, fi) != 0) View(req).contents_.Closed(node->entry);
    }

    static void Release(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
        const BoxTree::Node* node = Node(View(req), ino);
        if (node && !node->IsFolder()) View(req).contents_.Closed(node->entry);
        fuse_reply_err(req, 0);
    }

    static void Read(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) {
        FolderView& v = View(req);
        const BoxTree::Node* node = Node(v, ino);
        if (!node || node->IsFolder()) return (void)fuse_reply_err(req, EISDIR);
        if (off < 0) return (void)fuse_reply_err(req, EINVAL);
        const std::span<uint8_t> out = replyBuffer->Span().first(std::min(size, kMaxRead));
        const long n = v.contents_.Read(node->entry, static_cast<uint64_t>(off), out);
        if (n < 0) return (void)fuse_reply_err(req, static_cast<int>(-n));
        fuse_reply_buf(req, reinterpret_cast<const char*>(out.data()), static_cast<size_t>(n));
        sodium_memzero(out.data(), static_cast<size_t>(n));
    }

    static void StatFs(fuse_req_t req, fuse_ino_t) {
        FolderView& v = View(req);
        struct statvfs s {};
        s.f_bsize = 4096;
        s.f_frsize = 4096;
        s.f_blocks = (v.totalBytes_ + 4095) / 4096;
        s.f_files = v.tree_.Size();
        s.f_namemax = 255;
        fuse_reply_statfs(req, &s);
    }

    static void Init(void*, fuse_conn_info* conn) {
        conn->max_read = kMaxRead;  // as the mount option says
        // Nothing is written to the view; this bounds the requests the kernel may send (a
        // batch of forgets fills what it is given), so that each fits a RequestBuffer.
        conn->max_write = kMaxRead;
    }

    static fuse_lowlevel_ops Table() {
        fuse_lowlevel_ops ops{};
        ops.init = Init;
        ops.lookup = Lookup;
        ops.forget = Forget;
        ops.forget_multi = ForgetMulti;
        ops.getattr = GetAttr;
        ops.opendir = OpenDir;
        ops.readdir = ReadDir;
        ops.readdirplus = ReadDirPlus;
        ops.open = Open;
        ops.read = Read;
        ops.release = Release;
        ops.statfs = StatFs;
        return ops;
    }
};

FolderView::FolderView(std::unique_ptr<MountSource> source, std::string folder, Options options)
    : source_(std::move(source)),
      folder_(std::move(folder)),
      options_(std::move(options)),
      leftOut_(source_->LeftOutFiles()),
      tree_(source_->Entries(), source_->Folders(), leftOut_),
      contents_(*source_, options_.cap, options_.damaged),
      uid_(getuid()),
      gid_(getgid()) {
    struct stat box {};
    if (!options_.box.empty() && stat(options_.box.c_str(), &box) == 0) {
        times_[0] = box.st_atim;
        times_[1] = box.st_mtim;
        times_[2] = box.st_ctim;
    }
    for (const MountEntry& entry : source_->Entries()) totalBytes_ += entry.size;
}

std::unique_ptr<FolderView> FolderView::Mount(std::unique_ptr<MountSource> source,
                                              const std::string& folder, Options options) {
    if (auto why = MountPoint::FuseMissing()) throw MountError(MountError::Kind::kNoFuse, *why);
    if (auto why = MountPoint::Refusal(folder)) throw MountError(MountError::Kind::kMountPoint, *why);
    // What may be locked bounds the threads' reply buffers, the rings of files read forward
    // and the expanded files; a user's limit is often only a few MiB.
    const size_t lockable = LockableBytes();
    const unsigned threads = std::max(1u, lockable < (size_t{64} << 20) ? 2u : options.threads);
    const uint64_t reserve = threads * (kMaxRead + kRequestBytes) +
                             ReadAhead::kMaxRunning * ReadAhead::kRingBytes + (uint64_t{8} << 20);
    if (lockable != SIZE_MAX) options.cap = std::min<uint64_t>(options.cap, lockable > reserve ? lockable - reserve : 0);
    std::unique_ptr<FolderView> view(new FolderView(std::move(source), folder, std::move(options)));
    std::vector<std::unique_ptr<LockedBuffer>> buffers;  // a reply and a request buffer a thread
    for (unsigned i = 0; i < 2 * threads; ++i) {
        buffers.push_back(LockedBuffer::Make(i % 2 ? kRequestBytes : kMaxRead));
        if (!buffers.back())
            throw MountError(MountError::Kind::kFailed,
                             "No memory can be locked for reading the box (see ulimit -l).");
    }

    std::string log;
    {
        std::lock_guard lock(logMutex);
        logSink = &log;
    }
    fuse_set_log_func(KeepLog);
    const std::string options_text = std::string("ro,default_permissions,noatime,fsname=") +
                                     MountPoint::kType + ",subtype=" + MountPoint::kType +
                                     ",max_read=" + std::to_string(kMaxRead);
    const char* argv[] = {MountPoint::kType, "-o", options_text.c_str()};
    fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(argv));
    const fuse_lowlevel_ops ops = ViewOps::Table();
    view->session_ = fuse_session_new(&args, &ops, sizeof ops, view.get());
    fuse_opt_free_args(&args);
    const bool mounted = view->session_ && fuse_session_mount(view->session_, folder.c_str()) == 0;
    {
        std::lock_guard lock(logMutex);
        logSink = nullptr;
    }
    if (!mounted) {
        while (!log.empty() && log.back() == '\n') log.pop_back();
        throw MountError(MountError::Kind::kFailed,
                         "The box could not be mounted on " + folder +
                             (log.empty() ? "." : ": " + log));
    }
    view->mounted_ = true;
    InstallWakeSignal();
    for (size_t i = 0; i < buffers.size(); i += 2) {
        ++view->running_;
        try {
            view->threads_.emplace_back([v = view.get(), b = buffers[i].get(), r = buffers[i + 1].get()] {
                replyBuffer = b;
                v->Serve(*r);
                replyBuffer = nullptr;
            });
        } catch (const std::system_error& e) {
            --view->running_;
            view->Stop();
            throw MountError(MountError::Kind::kFailed,
                             std::string("No thread could serve the view: ") + e.what());
        }
    }
    view->buffers_ = std::move(buffers);
    return view;
}

void FolderView::Serve(LockedBuffer& request) {
    // The kernel's requests (names looked up among them) are read into locked memory of our
    // own and wiped after each, rather than into the buffer libfuse would allocate.
    const int fd = fuse_session_fd(session_);
    while (!fuse_session_exited(session_)) {
        const ssize_t n = read(fd, request.Data(), request.Size());
        // EINTR: woken to end; ENOENT: the request was interrupted before it was read.
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == ENOENT)) continue;
        if (n < kRequestHeaderBytes) break;  // unmounted (ENODEV), or the device failed
        fuse_buf buf{};
        buf.size = static_cast<size_t>(n);
        buf.mem = request.Data();
        fuse_session_process_buf(session_, &buf);
        sodium_memzero(request.Data(), static_cast<size_t>(n));
    }
    fuse_session_exit(session_);
    std::lock_guard lock(endMutex_);
    if (--running_ == 0) ended_.notify_all();
}

void FolderView::Unmount() {
    std::lock_guard lock(stateMutex_);
    if (!mounted_) return;
    MountPoint::Detach(folder_);
    mounted_ = false;
}

bool FolderView::WaitEnded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(endMutex_);
    return ended_.wait_for(lock, timeout, [&] { return running_.load() == 0; });
}

void FolderView::Stop() {
    if (!session_) return;
    Unmount();
    fuse_session_exit(session_);
    while (!WaitEnded(std::chrono::milliseconds(20)))
        for (auto& thread : threads_) pthread_kill(thread.native_handle(), kWakeSignal);
    for (auto& thread : threads_) thread.join();
    threads_.clear();
    // Closes the device: requests of files still held open fail from here on. The session's
    // own unmount closes it and frees what the mount kept; it also unmounts the folder's path
    // again, so it is called only while nothing else is mounted there.
    if (!MountPoint::IsMounted(folder_)) fuse_session_unmount(session_);
    fuse_session_destroy(session_);
    session_ = nullptr;
    contents_.Clear();
}

FolderView::~FolderView() {
    Stop();
}

}  // namespace vko::mount
