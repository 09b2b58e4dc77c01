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

// What a result window's view shows and whether it would run a script, asked the way its
// engine answers: the web view through its frame and settings; the rich-text browser has
// no script engine at all.
inline QString shownText(const ReportView *view)
{
#ifdef CONCORDA_WEBKIT
    return view->page()->mainFrame()->toPlainText();
#else
    return view->toPlainText();
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
