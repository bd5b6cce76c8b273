// Searching the open book: the session builds its index, act_HelpTopicSearch leads to the
// pane, and a chosen result shows its part with the matched words highlighted.
#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "LibUnit.h"
#include "Log.h"
#include "TSearchPane.h"
#include "TWebBrowser.h"
#include "Tfrm_Main.h"

namespace {

// Wraps every whole-word occurrence of the words in the page's text in a mark and scrolls to
// the first; returns how many were marked. Runs in its own script world, so it works whether
// or not the page may run scripts.
const char* const HighlightScript = R"JS((function (words) {
  if (!document.body || !words.length) return 0;
  var escape = function (s) { return s.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'); };
  var re = new RegExp('(?<![\\p{L}\\p{N}_])(' + words.map(escape).join('|') + ')(?![\\p{L}\\p{N}_])', 'gu');
  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, { acceptNode: function (n) {
    var p = n.parentNode.nodeName;
    return p === 'SCRIPT' || p === 'STYLE' || p === 'MARK' ? NodeFilter.FILTER_REJECT : NodeFilter.FILTER_ACCEPT;
  } });
  var nodes = [];
  while (walker.nextNode()) nodes.push(walker.currentNode);
  var count = 0, first = null;
  nodes.forEach(function (node) {
    var text = node.nodeValue, last = 0, fragment = null, m;
    re.lastIndex = 0;
    while ((m = re.exec(text)) !== null) {
      fragment = fragment || document.createDocumentFragment();
      fragment.appendChild(document.createTextNode(text.slice(last, m.index)));
      var mark = document.createElement('mark');
      mark.className = 'tomeria-hit';
      mark.textContent = m[0];
      fragment.appendChild(mark);
      first = first || mark;
      count++;
      last = m.index + m[0].length;
    }
    if (fragment) {
      fragment.appendChild(document.createTextNode(text.slice(last)));
      node.parentNode.replaceChild(fragment, node);
    }
  });
  if (first) first.scrollIntoView({ block: 'center' });
  return count;
}))JS";

}  // namespace

void Tfrm_Main::ConnectSearchHandlers() {
    connect(act_HelpTopicSearch, &QAction::triggered, this, Guarded([this] { act_HelpTopicSearchExecute(); }));
    ts_Search->OnShowPart = [this](const std::string& id, const std::vector<std::string>& words) {
        ShowSearchHit(id, words);
    };
    connect(wb_Browser->View()->page(), &QWebEnginePage::loadFinished, this, [this](bool) {
        if (PendingHighlight.isEmpty() || wb_Browser->View()->url() != PendingHighlightUrl) return;
        const QString words = QString::fromUtf8(QJsonDocument(PendingHighlight).toJson(QJsonDocument::Compact));
        PendingHighlight = {};
        wb_Browser->View()->page()->runJavaScript(QString::fromUtf8(HighlightScript) + "(" + words + ")",
                                                  QWebEngineScript::ApplicationWorld);
    });
}

void Tfrm_Main::act_HelpTopicSearchExecute() {
    if (!pnl_Debug->isVisible()) {
        act_ViewShowDebugWin->setChecked(true);
        DebugWindowOnOff(true);
    }
    pc_Debug->setCurrentWidget(ts_Search);
    ts_Search->FocusQuery();
}

QTreeWidgetItem* Tfrm_Main::FindTOCNode(const std::string& divId) const {
    for (QTreeWidgetItemIterator it(tv_TOC); *it; ++it)
        if (const TTreeNodeInfo* info = NodeInfo(*it); info && (info->DivID == divId || CutDivId(info->DivID) == divId))
            return *it;
    return nullptr;
}

void Tfrm_Main::ShowSearchHit(const std::string& id, const std::vector<std::string>& words) {
    if (QTreeWidgetItem* node = FindTOCNode(id)) {
        tv_TOC->setCurrentItem(node);
        tv_TOC->scrollToItem(node);
    }
    WriteLog("Результат поиска: " + id);
    // The words are marked once the part's page has been written and has loaded.
    PendingHighlight = {};
    PendingHighlightUrl = QUrl();
    for (const std::string& word : words)
        PendingHighlight.append(QString::fromStdString(word));
    HighlightPart = CutDivId(id);
    ShowBookPart(HighlightPart, BookInfo, Settings);
}
