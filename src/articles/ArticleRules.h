#pragma once
// Rules shared by the stages that create store articles.
