#include "articles/ArticleRules.h"
