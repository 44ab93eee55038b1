-- Turns "**name**(section)" into a link to that page's HTML when it is one
-- of the pages built beside it (the metadata field "pages" lists them).
local pages = {}

local function read_pages(meta)
  if meta.pages then
    for name in pandoc.utils.stringify(meta.pages):gmatch("%S+") do pages[name] = true end
  end
end

local function link_pages(inlines)
  for i = 1, #inlines - 1 do
    local strong, after = inlines[i], inlines[i + 1]
    if strong.t == "Strong" and after.t == "Str" then
      local section = after.text:match("^%((%d)%)")
      local name = pandoc.utils.stringify(strong)
      if section and pages[name .. "." .. section] then
        inlines[i] = pandoc.Link({strong}, name .. "." .. section .. ".html")
      end
    end
  end
  return inlines
end

return {{Meta = read_pages}, {Inlines = link_pages}}
