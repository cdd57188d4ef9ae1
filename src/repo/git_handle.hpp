#pragma once
// Owners for every libgit2 object the repository layer touches. No handle
// outlives the call that opened it.

#include <git2.h>

#include "commit_graph/oid.hpp"

#include <cstring>
#include <expected>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace repo {

template <class T, void (*Free)(T*)>
struct GitDeleter {
  void operator()(T* p) const noexcept {
    if (p) Free(p);
  }
};

template <class T, void (*Free)(T*)>
using GitPtr = std::unique_ptr<T, GitDeleter<T, Free>>;

using RepoPtr = GitPtr<git_repository, git_repository_free>;
using RevwalkPtr = GitPtr<git_revwalk, git_revwalk_free>;
using CommitPtr = GitPtr<git_commit, git_commit_free>;
using ReferencePtr = GitPtr<git_reference, git_reference_free>;
using BranchIteratorPtr = GitPtr<git_branch_iterator, git_branch_iterator_free>;
using TreePtr = GitPtr<git_tree, git_tree_free>;
using BlobPtr = GitPtr<git_blob, git_blob_free>;
using IndexPtr = GitPtr<git_index, git_index_free>;
using DiffPtr = GitPtr<git_diff, git_diff_free>;
using PatchPtr = GitPtr<git_patch, git_patch_free>;
using StatusListPtr = GitPtr<git_status_list, git_status_list_free>;
using RemotePtr = GitPtr<git_remote, git_remote_free>;
using SignaturePtr = GitPtr<git_signature, git_signature_free>;
using ObjectPtr = GitPtr<git_object, git_object_free>;
using ConfigPtr = GitPtr<git_config, git_config_free>;
using AnnotatedCommitPtr = GitPtr<git_annotated_commit, git_annotated_commit_free>;
using FilterListPtr = GitPtr<git_filter_list, git_filter_list_free>;

// A git_buf that frees itself.
struct GitBuf {
  git_buf buf = GIT_BUF_INIT;
  GitBuf() = default;
  GitBuf(const GitBuf&) = delete;
  GitBuf& operator=(const GitBuf&) = delete;
  ~GitBuf() { git_buf_dispose(&buf); }
  std::string_view view() const { return buf.ptr ? std::string_view(buf.ptr, buf.size) : std::string_view(); }
};

// Between the plain id of the model and the library's.
inline commit_graph::Oid to_oid(const git_oid* oid) {
  commit_graph::Oid out;
  if (oid != nullptr) std::memcpy(out.bytes.data(), oid->id, out.bytes.size());
  return out;
}
inline git_oid to_git_oid(const commit_graph::Oid& id) {
  git_oid out;
  std::memcpy(out.id, id.bytes.data(), id.bytes.size());
  return out;
}

// The paths as the library's string array, pointing into the caller's
// strings, which must outlive it. Callers also turn off pattern matching
// (GIT_*_DISABLE_PATHSPEC_MATCH) so each path means only itself.
struct PathArray {
  std::vector<char*> pointers;
  explicit PathArray(const std::vector<std::string>& paths) {
    pointers.reserve(paths.size());
    for (const std::string& p : paths) pointers.push_back(const_cast<char*>(p.c_str()));
  }
  git_strarray strarray() { return {pointers.data(), pointers.size()}; }
};

// Initialises the library once per process; safe to call from any thread.
void ensure_libgit2();

// The library's last error text, or the fallback when it has none.
std::string last_git_error(std::string_view fallback = "unknown error");

// That text as the failure of an operation the library refused.
inline std::unexpected<std::string> git_failure() { return std::unexpected(last_git_error()); }

// The repository's index; the error is the library's message.
std::expected<IndexPtr, std::string> open_index(git_repository* repo);

// Whether the configuration sets the variable to true; unset or unreadable,
// it does not.
bool config_true(git_config* config, const char* name);

// HEAD peeled to its commit or to its tree. On failure the library's error
// code (GIT_EUNBORNBRANCH, GIT_ENOTFOUND, ...), its message left in place.
std::expected<CommitPtr, int> peel_head_commit(git_repository* repo);
std::expected<TreePtr, int> peel_head_tree(git_repository* repo);

// Opens the repository at exactly this path (parent directories are not
// searched). The error is the library's message.
std::expected<RepoPtr, std::string> open_repository(const std::string& path);

struct LibraryError {
  int code = 0;  // GIT_ENOTFOUND, GIT_EOWNER, ...
  std::string message;
};

// The same, keeping the library's error code beside its message.
std::expected<RepoPtr, LibraryError> open_repository_coded(const std::string& path);

}  // namespace repo
