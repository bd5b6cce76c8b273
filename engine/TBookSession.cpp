#include "TBookSession.h"

#include <algorithm>
#include <utility>

#include "BookDescriptor.h"
#include "PathRules.h"
#include "Log.h"
#include "ServiceActions.h"

namespace {

// The first count characters of a UTF-8 text.
std::string LeftChars(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t chars = 0; i < text.size() && chars < count; ++chars) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return text.substr(0, i);
}

void AddInReadingOrder(const std::vector<TContentsItem>& items, std::vector<std::string>& order) {
    for (const TContentsItem& item : items) {
        order.push_back(CutDivId(item.DivID));
        AddInReadingOrder(item.Children, order);
    }
}

}  // namespace

TBookSession::TBookSession(TBookInfo& book, const TSettings& settings, QObject* parent)
    : QObject(parent), Record(book), Settings(settings) {
    AheadTimer.setSingleShot(true);
    connect(&AheadTimer, &QTimer::timeout, this, &TBookSession::MakeNeighboursAhead);
    connect(&Watch, &TBookWatch::Changed, this, &TBookSession::BookFilesChanged);
}

TBookSession::~TBookSession() {
    blockSignals(true);
    BookSearch.blockSignals(true);
    Abandon();
    Pool.Shutdown();  // before the members its jobs answer to go
}

// Hands an answer from a worker to this object's thread, unless the book changed meanwhile.
void TBookSession::Deliver(unsigned epoch, std::function<void()> answer) {
    QMetaObject::invokeMethod(
        this,
        [this, epoch, answer = std::move(answer)] {
            if (epoch == Epoch) answer();
        },
        Qt::QueuedConnection);
}

void TBookSession::SetPending(bool& flag, bool pending) {
    const bool wasBusy = Busy();
    flag = pending;
    if (Busy() == wasBusy) return;
    emit BusyChanged(Busy());
    if (!Busy()) StartIndexWhenIdle();
}

void TBookSession::Open(const TOpenRequest& request) {
    const std::string fullPath = FindDescriptor(request.Path, Settings);
    if (fullPath.empty()) {
        emit Refused("Документ не найден.", request.Path);
        return;
    }
    if (const std::string fault = DescriptorFault(fullPath); !fault.empty()) {
        emit Refused(fault, fullPath);
        return;
    }
    Close();
    SetBookDefaults(Record, Settings);
    Record.DescriptorFile = fullPath;
    ReadBookDescriptor(Record, Settings);
    Record.Opened = false;

    WriteLog("Проверка целостности книги...");
    if (!CheckBookIntegrity()) {
        WriteLog("Проверка целостности завершена неудачно.");
        return;
    }
    WriteLog("Проверка целостности завершена удачно.");
    TOpenRequest opening = request;
    opening.Path = fullPath;
    BuildTOC(std::move(opening));
    // The first page's key tables are built from the same parse while the contents is made.
    KeysStop = Pool.Submit(TTransformationPool::TPriority::Ahead,
                           [book = Record](const TStopToken& stop) mutable { PrepareBookPartKeys(book, stop); });
}

// A root wider than the book's own folder would open the whole disk to its pages.
bool TBookSession::CheckBookIntegrity() {
    const std::optional<TBookFailure> failure = IntegrityFailureOf(Record);
    if (failure) emit Failed(*failure);
    return !failure;
}

void TBookSession::BuildTOC(std::optional<TOpenRequest> opening) {
    WriteLog("Формирование оглавления...");
    ContentsStop.Trip();  // a contents run before is superseded
    const unsigned epoch = Epoch;
    SetPending(ContentsPending, true);
    ContentsStop = Pool.Submit(TTransformationPool::TPriority::Reader, [this, epoch, opening = std::move(opening),
                                                                        book = Record](const TStopToken& stop) mutable {
        // The reader's runs log as they go: the pane shows a long run under way.
        TBookPage run = RunServiceAction(TServiceAction::MakeTOC, book, {stop, false});
        Deliver(epoch, [this, opening = std::move(opening), run = std::move(run), stop] {
            if (!stop.SameAs(ContentsStop)) return;  // a later contents run answers
            SetPending(ContentsPending, false);
            ContentsEnded(run, opening);
        });
    });
}

void TBookSession::LoadTOCFromXml(const TBookPage& run) {
    Toc = {};
    Order.clear();
    if (run.Html.empty()) return;
    WriteLog("Буфер трансформации не пуст.");
    WriteLog("*** sData:" + LeftChars(run.Html, 225) + "...");
    WriteLog("Загрузка данных в XML-объект...");
    Toc = ReadContents(run.Html);
    if (!Toc.Parsed) {
        WriteLog("Ошибка загрузки данных.", TLogLevel::Error);
        return;
    }
    WriteLog("Загрузка данных успешна.");
    AddInReadingOrder(Toc.Items, Order);
}

// The steps of an open after its contents: the tree, then the book open, then its part.
void TBookSession::ContentsEnded(const TBookPage& run, const std::optional<TOpenRequest>& opening) {
    LoadTOCFromXml(run);
    if (Toc.Parsed) {
        emit ContentsMade(Toc);
        emit NavigationChanged();
    }
    WriteLog("Формирование оглавления завершено.");
    if (!Toc.Parsed || Toc.Items.empty()) emit Failed(ContentsFailureOf(Record, run));
    if (!Toc.Parsed || !Toc.Error.empty()) return;
    // New contents may name other parts: the index follows them (an unchanged one is reused).
    IndexDue = OpenNow || opening;
    if (opening) ContentsOpened(*opening);
    StartIndexWhenIdle();
}

void TBookSession::ContentsOpened(TOpenRequest shown) {
    Record.Opened = true;
    OpenNow = true;
    int scrollY = 0;
    if (shown.Part.empty()) {
        if (const std::optional<TPlace> place = PlaceToRestore()) {
            shown.Part = place->Part;
            scrollY = place->Scroll;
            WriteLog("Восстановлено место чтения: раздел " + place->Part + ", прокрутка " + std::to_string(scrollY) + ".");
        }
    }
    emit Opened(shown);
    if (OpenNow) WatchBook();
    if (!OpenNow || shown.Part.empty()) return;  // closed on its open, or the window shows the first entry
    const std::string part = CutDivId(shown.Part);
    // A part the book no longer has: the first entry, as an open without one.
    const bool exists = std::find(Order.begin(), Order.end(), part) != Order.end();
    History.Visit(exists ? part : FirstPart());
    RequestPart(exists ? part : FirstPart(), exists ? scrollY : 0);
    emit NavigationChanged();
}

// The book's index is built once the reader's first page is made: it would slow that page down.
void TBookSession::StartIndexWhenIdle() {
    if (!IndexDue || Busy() || !OpenNow) return;
    IndexDue = false;
    BookSearch.Start(Record, Toc);
}

std::string TBookSession::FirstPart() const { return Order.empty() ? std::string() : Order.front(); }

void TBookSession::Close() {
    const bool wasOpen = OpenNow;
    Drop();
    if (wasOpen) emit Closed();
}

// Stops and forgets all work on the book, keeping the place the reader left it at.
void TBookSession::Drop() {
    if (OpenNow) KeepPlace();
    OpenNow = false;
    IndexDue = false;
    PageRunning = false;
    WaitingRun = 0;
    ++Epoch;
    for (const TStopToken* stop : {&PageStop, &ContentsStop, &KeysStop})
        stop->Trip();
    AheadTimer.stop();
    Ahead.Clear();
    SetPending(PagePending, false);
    SetPending(ContentsPending, false);
    Current.clear();
    History.Clear();
    Toc = {};
    Order.clear();
    BookSearch.Drop();
    Watch.Clear();
    DropParsedInput(Record);
    emit NavigationChanged();
}

void TBookSession::Abandon() {
    Drop();
    Pool.StopAll();
}

void TBookSession::ShowPart(const std::string& divId) {
    History.Visit(CutDivId(divId));
    RequestPart(divId, 0);
    emit NavigationChanged();
}

bool TBookSession::GoBack() {
    const std::optional<THistoryEntry> entry = History.GoBack();
    if (entry) RequestPart(entry->DivID, entry->ScrollY);
    emit NavigationChanged();
    return entry.has_value();
}

bool TBookSession::GoForward() {
    const std::optional<THistoryEntry> entry = History.GoForward();
    if (entry) RequestPart(entry->DivID, entry->ScrollY);
    emit NavigationChanged();
    return entry.has_value();
}

std::string TBookSession::NextPart() const {
    const auto at = std::find(Order.begin(), Order.end(), Current);
    return at == Order.end() || at + 1 == Order.end() ? std::string() : *(at + 1);
}

std::string TBookSession::PreviousPart() const {
    const auto at = std::find(Order.begin(), Order.end(), Current);
    return at == Order.end() || at == Order.begin() ? std::string() : *(at - 1);
}

void TBookSession::KeepScroll(int scrollY) {
    // While a page is being made the one on view is still the entry before.
    if (!PagePending) History.KeepScroll(scrollY);
}

void TBookSession::RequestPart(const std::string& divId, int scrollY) {
    PageStop.Trip();  // the request before is superseded
    PageStop = TStopToken();
    AheadTimer.stop();
    Current = CutDivId(divId);
    CurrentScroll = scrollY;
    const unsigned request = ++PageRequest;
    if (const std::optional<TBookFailure> failure = TemplateFailureOf(Record)) {
        SetPending(PagePending, false);
        emit Failed(*failure);
        return;
    }
    SetPending(PagePending, true);
    const unsigned epoch = Epoch;
    const bool ahead = Ahead.Take(Current, Record, [this, request, epoch](std::optional<TBookPage> page) {
        if (epoch != Epoch || request != PageRequest) return;
        if (page)
            Answer(request, *page);
        else
            RunPart(request);
    });
    if (!ahead) RunPart(request);
}

void TBookSession::RunPart(unsigned request) {
    if (PageRunning) {  // its stopped end comes first
        WaitingRun = request;
        return;
    }
    PageRunning = true;
    const auto run = [this, epoch = Epoch, request, divId = Current, book = Record](const TStopToken& stop) mutable {
        TBookPage page = BuildBookPart(divId, book, {stop, false});
        Deliver(epoch, [this, request, page = std::move(page)] {
            PageRunning = false;
            const unsigned waiting = std::exchange(WaitingRun, 0);
            if (waiting != 0 && waiting == PageRequest) RunPart(waiting);
            if (request == PageRequest) Answer(request, page);  // else a later request answers
        });
    };
    Pool.Submit(TTransformationPool::TPriority::Reader, run, PageStop);
}

void TBookSession::Answer(unsigned request, const TBookPage& page) {
    SetPending(PagePending, false);
    if (request != PageRequest) return;
    if (const std::optional<TBookFailure> failure = PartFailureOf(Record, page)) {
        emit Failed(*failure);
        return;
    }
    WatchRunFiles(page);
    emit PartMade(Current, page, CurrentScroll);
    if (page.Ok) AheadTimer.start(AheadDelayMs);
}

// The entries before and after the one on view, in the contents' order.
void TBookSession::MakeNeighboursAhead() {
    if (Record.BookXSLTT.empty() || Current.empty()) return;
    std::vector<std::string> parts;
    for (const std::string& part : {NextPart(), PreviousPart()})
        if (!part.empty() && part != Current) parts.push_back(part);
    Ahead.MakeAhead(parts, Record);
}

void TBookSession::Stop() {
    PageStop.Trip();
    Ahead.StopAwaited();  // the request then runs with its tripped token and says it stopped
    ContentsStop.Trip();
}

void TBookSession::ReloadTemplate() { LoadBookTemplate(Record); }

void TBookSession::ReloadService() { LoadServiceStylesheet(Record); }

void TBookSession::ReloadContents() {
    LoadServiceStylesheet(Record);
    BuildTOC(std::nullopt);
}

void TBookSession::ListBooks() {
    Pool.Submit(TTransformationPool::TPriority::Background, [this, settings = Settings](const TStopToken&) {
        std::vector<TBookEntry> books = ::ListBooks(settings);
        QMetaObject::invokeMethod(
            this, [this, books = std::move(books)] { emit BooksListed(books); }, Qt::QueuedConnection);
    });
}

void TBookSession::DescribeBooks(const std::vector<std::string>& descriptors) {
    Pool.Submit(TTransformationPool::TPriority::Background,
                [this, descriptors, settings = Settings](const TStopToken& stop) {
                    std::vector<TBookEntry> books;
                    for (const std::string& descriptor : descriptors)
                        if (!stop.Tripped()) books.push_back(DescribeBook(descriptor, settings));
                    QMetaObject::invokeMethod(
                        this, [this, books = std::move(books)] { emit BooksDescribed(books); }, Qt::QueuedConnection);
                });
}

TPlaceStore* TBookSession::Places() {
    if (Settings.UseSettings != 1) return nullptr;  // the reader keeps no state of the program
    if (!PlaceRecords) {
        PlaceRecords = std::make_unique<TPlaceStore>(TPlaceStore::PathIn(Settings));
        PlaceRecords->Load();
    }
    return PlaceRecords.get();
}

std::optional<TPlace> TBookSession::PlaceToRestore() {
    TPlaceStore* places = Places();
    if (!places || !places->Restore()) return std::nullopt;
    return places->Find(Record.DescriptorFile);
}

void TBookSession::KeepPlace() {
    const std::optional<THistoryEntry> entry = History.Current();
    TPlaceStore* places = Places();
    if (!places || !entry || entry->DivID != Current) return;
    places->Record(Record.DescriptorFile, {entry->DivID, entry->ScrollY, 0});
    places->Save();
}

bool TBookSession::RestoresPlaces() {
    TPlaceStore* places = Places();
    return places && places->Restore();
}

void TBookSession::SetRestoresPlaces(bool restore) {
    if (TPlaceStore* places = Places()) {
        places->SetRestore(restore);
        places->Save();
    }
}

bool TBookSession::WatchesFiles() {
    if (!WatchSwitch) WatchSwitch = Places() ? Places()->Watch() : true;
    return *WatchSwitch;
}

void TBookSession::SetWatchesFiles(bool watch) {
    WatchSwitch = watch;
    if (TPlaceStore* places = Places()) {
        places->SetWatch(watch);
        places->Save();
    }
    if (!watch)
        Watch.Clear();
    else if (OpenNow)
        WatchBook();
}

void TBookSession::WatchBook() {
    Watch.Clear();
    if (!WatchesFiles()) return;
    Watch.Watch(ToOsPath(Record.DescriptorFile), TBookFileKind::Descriptor);
    Watch.Watch(OsPathOfUri(Record.BookXMLFName), TBookFileKind::BookXml);
    Watch.Watch(OsPathOfUri(Record.BookXSLTTFName), TBookFileKind::Template);
    Watch.Watch(OsPathOfUri(Record.ServiceXSLTFile), TBookFileKind::Service);
}

// The modules a run imported and the files it read with document() feed the pages as the
// template does.
void TBookSession::WatchRunFiles(const TBookPage& page) {
    if (!OpenNow || !WatchesFiles()) return;
    for (const TFileRead& read : page.Reads)
        Watch.Watch(read.OsPath, TBookFileKind::Template);
    if (Record.ParsedInput)
        for (const std::string& module : Record.ParsedInput->ModuleFiles())
            Watch.Watch(module, TBookFileKind::Template);
}

void TBookSession::WatchPageFile(const std::string& osPath) {
    if (OpenNow && WatchesFiles()) Watch.Watch(osPath, TBookFileKind::PageFile);
}

// Does what the reload action of each saved file does, then shows the part on view again where
// the reader is on it; a descriptor saved opens the book again at that part.
void TBookSession::BookFilesChanged(const std::vector<TChangedFile>& files) {
    if (!OpenNow) return;
    bool descriptor = false, contents = false, stylesheet = false;
    std::string names;
    for (const TChangedFile& file : files) {
        names += (names.empty() ? "" : ", ") + file.OsPath;
        descriptor |= file.Kind == TBookFileKind::Descriptor;
        contents |= file.Kind == TBookFileKind::BookXml || file.Kind == TBookFileKind::Service;
        stylesheet |= file.Kind == TBookFileKind::Template;
    }
    const std::string part = Current;
    const std::optional<THistoryEntry> entry = History.Current();
    const int scrollY = entry && entry->DivID == part ? entry->ScrollY : 0;
    if (descriptor) {
        WriteLog("Файлы книги сохранены (" + names + "): книга открывается заново.");
        Open({Record.DescriptorFile, false, part});
        return;
    }
    WriteLog("Файлы книги сохранены (" + names + "): " +
             (contents ? "оглавление и страница строятся заново." : "страница строится заново."));
    if (contents) {
        LoadServiceStylesheet(Record);
        BuildTOC(std::nullopt);
    }
    if (stylesheet) LoadBookTemplate(Record);
    if (!part.empty()) RequestPart(part, scrollY);
}

void TBookSession::CheckBook() {
    StopCheck();
    const unsigned run = ++CheckRun;
    CheckStop = Pool.Submit(
        TTransformationPool::TPriority::Background,
        [this, run, descriptor = Record.DescriptorFile, settings = Settings](const TStopToken& stop) {
            TBookCheck check(descriptor, settings);
            const TBookCheckReport report = check.Run(stop, [this, run](std::size_t done, std::size_t total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, run, done, total] {
                        if (run == CheckRun) emit CheckProgress(static_cast<int>(done), static_cast<int>(total));
                    },
                    Qt::QueuedConnection);
            });
            QMetaObject::invokeMethod(
                this,
                [this, run, report] {
                    if (run == CheckRun) emit CheckEnded(report);
                },
                Qt::QueuedConnection);
        });
}

void TBookSession::StopCheck() { CheckStop.Trip(); }
