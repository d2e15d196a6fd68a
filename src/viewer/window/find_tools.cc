#include "viewer/window/find_tools.h"

#include "container/stored_name.h"
#include "glib/main_loop_task.h"
#include "search/page_files.h"

namespace pagora::viewer {
namespace {

// A first page still loading after this long waits for something else (a
// picture from the web): the index starts anyway.
constexpr guint kLatestStartSeconds = 5;

// The pages the load wrote, where it wrote them.
std::vector<search::PageFile> writtenPages(const BookSession& session) {
  std::vector<search::PageFile> pages;
  const std::string& folder = session.privateFolderPath();
  if (folder.empty()) return pages;
  const std::vector<BookFileEntry>& entries = session.book().fileTable.entries();
  for (const std::size_t entry : search::storedPageEntries(entries)) {
    const std::string& name = entries[entry].name;
    pages.push_back(search::PageFile{name, folder + storedNameToRelativePath(name)});
  }
  return pages;
}

}  // namespace

FindTools::FindTools(BookView& view, BookSession& session)
    : view_(view),
      session_(session),
      finder_(view.webView()),
      findBar_(finder_, [this] { view_.grabFocus(); }),
      pane_(
          search_,
          [this](const std::string& name, std::vector<std::string> words) { openPage(name, std::move(words)); },
          [this] { startIndexing(); }, [this] { view_.grabFocus(); }),
      paned_(gtk_paned_new(GTK_ORIENTATION_HORIZONTAL)),
      loadChanged_(view.webView(), "load-changed", G_CALLBACK(onLoadChanged), this) {
  g_object_add_weak_pointer(G_OBJECT(paned_), reinterpret_cast<gpointer*>(&paned_));
  gtk_paned_pack1(GTK_PANED(paned_), pane_.widget(), FALSE, FALSE);
  gtk_paned_pack2(GTK_PANED(paned_), view.widget(), TRUE, FALSE);
  startTimeout_ = g_timeout_add_seconds(kLatestStartSeconds, onStartTimeout, this);
}

FindTools::~FindTools() {
  if (startTimeout_ != 0) g_source_remove(startTimeout_);
  stopIndexing();
  if (paned_ != nullptr) g_object_remove_weak_pointer(G_OBJECT(paned_), reinterpret_cast<gpointer*>(&paned_));
}

void FindTools::registerCommands(CommandRouter& router) {
  findBar_.registerCommands(router);
  pane_.registerCommands(router);
}

void FindTools::stopIndexing() { search_.stop(); }

void FindTools::startIndexing() {
  if (search_.started() || waitingForFiles_) return;
  if (startTimeout_ != 0) {
    g_source_remove(startTimeout_);
    startTimeout_ = 0;
  }
  loadChanged_.disconnect();
  // The book's files may still be being written behind the first page; the
  // index reads them once the last is there. Told on the writing thread.
  waitingForFiles_ = true;
  const std::weak_ptr<FindTools*> self = self_;
  const bool written = session_.whenAllWritten([self] {
    glib::runInMainLoop([self] {
      if (const auto alive = self.lock()) (*alive)->indexWrittenBook();
    });
  });
  if (written) indexWrittenBook();
}

void FindTools::indexWrittenBook() {
  waitingForFiles_ = false;
  search_.start(writtenPages(session_));
}

void FindTools::openPage(const std::string& storedName, std::vector<std::string> words) {
  finder_.highlightAfterLoad(std::move(words));
  view_.navigate(session_.privateFolderPath() + storedNameToRelativePath(storedName));
}

void FindTools::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  if (event == WEBKIT_LOAD_FINISHED) static_cast<FindTools*>(self)->startIndexing();
}

gboolean FindTools::onStartTimeout(gpointer self) {
  auto* tools = static_cast<FindTools*>(self);
  tools->startTimeout_ = 0;
  tools->startIndexing();
  return G_SOURCE_REMOVE;
}

}  // namespace pagora::viewer
