#ifndef CONCORDA_TESTS_REPORTVIEWTEXT_H
#define CONCORDA_TESTS_REPORTVIEWTEXT_H

#include "resultwindow.h"

#ifdef CONCORDA_WEBKIT
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#else
#include "textreportview.h"
#endif

// What a result window's view shows, selecting all of it, and whether it would run a
// script, done the way its engine does: the web view through its frame, page and
// settings; the rich-text browser has no script engine at all.
inline QString shownText(const ReportView *view)
{
#ifdef CONCORDA_WEBKIT
    return view->page()->mainFrame()->toPlainText();
#else
    return view->toPlainText();
#endif
}

inline void selectAllShown(ReportView *view)
{
#ifdef CONCORDA_WEBKIT
    view->triggerPageAction(QWebPage::SelectAll);
#else
    view->selectAll();
#endif
}

inline bool runsScripts(const ReportView *view)
{
#ifdef CONCORDA_WEBKIT
    return view->settings()->testAttribute(QWebSettings::JavascriptEnabled);
#else
    Q_UNUSED(view)
    return false;
#endif
}

#endif
