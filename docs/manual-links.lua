-- The velmaroctl notation is appended to the manual as its last chapter: a link to the file
-- NOTATION.md becomes a link to that chapter, so the HTML file has no link out of itself.
local notation_id = nil

local function find_last_chapter(doc)
  for _, block in ipairs(doc.blocks) do
    if block.t == "Header" and block.level == 1 then notation_id = block.identifier end
  end
end

local function point_at_chapter(link)
  if notation_id and link.target:match("NOTATION%.md$") then
    link.target = "#" .. notation_id
    return link
  end
end

return {{Pandoc = function(doc) find_last_chapter(doc) end}, {Link = point_at_chapter}}
