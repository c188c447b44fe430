// A list of rows in sections, plain or grouped, filled by a data source and
// reacting through a delegate: the user selects a row, or swipes it and taps
// Delete.
//
//   auto table = std::make_shared<UITableView>(view->bounds(), UITableViewStylePlain);
//   table->setDataSource(selfAs<UITableViewDataSource>());
//   table->setDelegate(selfAs<UITableViewDelegate>());
//   table->reloadData();                        // asks for every row now
//   table->deleteRowByUser(NSIndexPath{0, 1});  // swipe, Delete: commitEditingStyle
//
// reloadData lays every row out at once (row height 44; grouped sections are
// inset by 10 points with a header and footer text); the cells it dropped go
// to a reuse pool that dequeueReusableCellWithIdentifier hands back during the
// next reload. Data source and delegate are held weakly and kept alive while
// they are asked. Single-threaded.
#pragma once

#include "platform/ui/UIScrollView.h"
#include "platform/ui/UITableViewCell.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class UITableView;

struct NSIndexPath {
    int section = 0;
    int row = 0;
    friend bool operator==(const NSIndexPath&, const NSIndexPath&) = default;
};

using UITableViewStyle = int;
inline constexpr UITableViewStyle UITableViewStylePlain = 0;
inline constexpr UITableViewStyle UITableViewStyleGrouped = 1;

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(UITableView& tableView);
    virtual int numberOfRowsInSection(UITableView& tableView, int section) = 0;
    virtual std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath) = 0;
    virtual std::string titleForHeaderInSection(UITableView& tableView, int section);
    virtual std::string titleForFooterInSection(UITableView& tableView, int section);
    virtual bool canEditRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath);
    virtual bool canMoveRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath);
    virtual void commitEditingStyle(UITableView& tableView, UITableViewCellEditingStyle style, const NSIndexPath& indexPath);
};

class UITableViewDelegate {
public:
    virtual ~UITableViewDelegate() = default;
    virtual void didSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath);
    virtual UITableViewCellEditingStyle editingStyleForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath);
    virtual int indentationLevelForRowAtIndexPath(UITableView& tableView, const NSIndexPath& indexPath);
};

class UITableView : public UIScrollView {
public:
    static constexpr double kRowHeight = 44;

    UITableView(const CGRect& frame, UITableViewStyle style);
    ~UITableView() override;

    static rt::Class* runtimeClass();

    UITableViewStyle style() const { return m_style; }
    std::shared_ptr<UITableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(const std::shared_ptr<UITableViewDataSource>& dataSource) { m_dataSource = dataSource; }
    std::shared_ptr<UITableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<UITableViewDelegate>& delegate) { m_delegate = delegate; }

    // Asks the data source for everything again and lays the rows out.
    void reloadData();
    // A cell dropped by the last reload with that identifier, or nullptr.
    std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    // As of the last reload.
    int numberOfSections() const { return static_cast<int>(m_sections.size()); }
    int numberOfRowsInSection(int section) const;
    // The row's cell, or nullptr outside the table.
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& indexPath) const;
    // Every row, in order.
    std::vector<NSIndexPath> allIndexPaths() const;
    const std::string& headerTitle(int section) const;
    const std::string& footerTitle(int section) const;

    // The user taps the row: the delegate's didSelectRowAtIndexPath. False
    // when the row does not exist.
    bool selectRowByUser(const NSIndexPath& indexPath);
    // The user swipes the row and taps Delete: commitEditingStyle with the
    // delete style, when the data source lets the row be edited and the
    // delegate gives it the delete style. False when refused.
    bool deleteRowByUser(const NSIndexPath& indexPath);

    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    struct Section {
        std::string header;
        std::string footer;
        std::vector<std::shared_ptr<UITableViewCell>> cells;
        double headerTop = 0;
        double footerTop = 0;
    };
    void layOut();

    UITableViewStyle m_style;
    std::weak_ptr<UITableViewDataSource> m_dataSource;
    std::weak_ptr<UITableViewDelegate> m_delegate;
    std::vector<Section> m_sections;
    std::map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> m_reusePool;
    std::vector<std::shared_ptr<UIView>> m_decorations;
};

} // namespace platform
