// A row of a table: a main text, in some styles a detail text, and an
// accessory (a disclosure sign, a check mark or a view such as a switch).
//
//   auto cell = table.dequeueReusableCellWithIdentifier("Dynamic Cell");
//   if (!cell) cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, "Dynamic Cell");
//   cell->textLabel()->setText("*100#");
//   cell->detailTextLabel()->setText("2 fields");
//
// Style 1 (value 1) puts the main text on the left and the detail text on
// the right; the default style has no detail label. Single-threaded.
#pragma once

#include "platform/ui/UILabel.h"
#include "platform/ui/UIView.h"

#include <memory>
#include <string>

namespace platform {

using UITableViewCellStyle = int;
inline constexpr UITableViewCellStyle UITableViewCellStyleDefault = 0;
inline constexpr UITableViewCellStyle UITableViewCellStyleValue1 = 1;
inline constexpr UITableViewCellStyle UITableViewCellStyleValue2 = 2;
inline constexpr UITableViewCellStyle UITableViewCellStyleSubtitle = 3;

using UITableViewCellAccessoryType = int;
inline constexpr UITableViewCellAccessoryType UITableViewCellAccessoryNone = 0;
inline constexpr UITableViewCellAccessoryType UITableViewCellAccessoryDisclosureIndicator = 1;
inline constexpr UITableViewCellAccessoryType UITableViewCellAccessoryCheckmark = 3;

using UITableViewCellEditingStyle = int;
inline constexpr UITableViewCellEditingStyle UITableViewCellEditingStyleNone = 0;
inline constexpr UITableViewCellEditingStyle UITableViewCellEditingStyleDelete = 1;
inline constexpr UITableViewCellEditingStyle UITableViewCellEditingStyleInsert = 2;

class UITableViewCell : public UIView {
public:
    // initWithStyle:reuseIdentifier:
    UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier);
    ~UITableViewCell() override;

    static rt::Class* runtimeClass();

    UITableViewCellStyle style() const { return m_style; }
    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    // Made on first use, as the platform does.
    std::shared_ptr<UILabel> textLabel();
    // nullptr in the default style.
    std::shared_ptr<UILabel> detailTextLabel();
    // The texts, empty without a label.
    std::string text() const;
    std::string detailText() const;

    UITableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(UITableViewCellAccessoryType type) { m_accessoryType = type; }
    // Replaces the accessory type's sign when set.
    const std::shared_ptr<UIView>& accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<UIView> view);

    // Cells whose text is centred (button cells).
    void setCentersText(bool on) { m_centersText = on; }
    // Indentation, in levels of 10 points.
    int indentationLevel() const { return m_indentationLevel; }
    void setIndentationLevel(int level) { m_indentationLevel = level; }

    void layoutSubviews() override;
    void drawRect(UIGraphicsContext& context, const CGRect& rect) override;

protected:
    std::string describeProperties() const override;

private:
    UITableViewCellStyle m_style;
    std::string m_reuseIdentifier;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UILabel> m_detailTextLabel;
    UITableViewCellAccessoryType m_accessoryType = UITableViewCellAccessoryNone;
    std::shared_ptr<UIView> m_accessoryView;
    bool m_centersText = false;
    int m_indentationLevel = 0;
};

} // namespace platform
