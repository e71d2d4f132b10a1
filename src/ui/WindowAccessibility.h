#pragma once

class ContentView;
class QLineEdit;

// What screen readers need beyond what the widgets tell by themselves: names for the search
// field, its clear button and the offer table, and a search field that a reader can fill in and
// "press" (its default action searches, as Return does). Qt's own line edit sets text through
// the accessibility layer without telling the view model, and offers no action but focus.
namespace WindowAccessibility {

void apply(ContentView& content);
// Gives the field the interface that searches on its default action (done by apply()).
void makeSearchField(QLineEdit& field);

} // namespace WindowAccessibility
